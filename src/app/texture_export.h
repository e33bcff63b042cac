// What the texture commands do with a model's texture-name list, apart from
// the windows: the texture file names to list, and the conversions an export
// runs. Names come from a model file, which is input from elsewhere: a name
// that could reach outside the folder it is joined to is never used as a path.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The texture file names of the list, in list order: each name with its
// extension changed to ".txr" (a name without one gets ".txr" appended).
// Names that do not fit a 260-byte path buffer are left out.
std::vector<std::string> TextureFileNames(std::span<const std::uint8_t> modelImage);

struct TextureConversion {
    std::string texturePath; // textureFolder\name with ".txr"
    std::string bitmapPath;  // destination\name with ".bmp"
};

struct TextureExportPlan {
    bool hasNames = false; // the model's texture count is 1 or more
    std::vector<TextureConversion> conversions;
};

// The conversions of an export into `destinationFolder`, in list order. A
// name is skipped when it is not a plain file name (a path, a drive, "..") or
// when either joined path would not fit in 260 bytes.
TextureExportPlan PlanTextureExport(std::span<const std::uint8_t> modelImage,
                                    const char* destinationFolder, const char* textureFolder);
