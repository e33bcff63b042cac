#include "app/texture_export.h"

#include "common/byte_order.h"
#include "common/path_text.h"
#include "common/replace_extension.h"
#include "preview/msm_layout.h"

#include <cstring>

namespace {

// folder\name with its extension changed; false when it does not fit.
bool BuildPath(char (&path)[kPathCapacity], const char* folder, const std::string& name,
               const char* extension) {
    return JoinPath(path, sizeof path, folder, name.c_str()) &&
           ReplaceExtension(path, sizeof path, extension);
}

} // namespace

std::vector<std::string> TextureFileNames(std::span<const std::uint8_t> modelImage) {
    std::vector<std::string> result;
    for (const std::string& name : ReadMsmTextureNames(modelImage)) {
        char text[kPathCapacity] = {};
        if (CopyPathText(text, sizeof text, name.c_str()) &&
            ReplaceExtension(text, sizeof text, ".txr")) {
            result.emplace_back(text);
        }
    }
    return result;
}

TextureExportPlan PlanTextureExport(std::span<const std::uint8_t> modelImage,
                                    const char* destinationFolder, const char* textureFolder) {
    TextureExportPlan plan;
    plan.hasNames =
        modelImage.size() >= 2 && static_cast<std::int16_t>(LoadLe16(modelImage.data())) > 0;
    if (!plan.hasNames) {
        return plan;
    }
    for (const std::string& name : ReadMsmTextureNames(modelImage)) {
        if (!IsPlainFileName(name.c_str())) {
            continue;
        }
        char texturePath[kPathCapacity];
        char bitmapPath[kPathCapacity];
        if (BuildPath(texturePath, textureFolder, name, ".txr") &&
            BuildPath(bitmapPath, destinationFolder, name, ".bmp")) {
            plan.conversions.push_back({texturePath, bitmapPath});
        }
    }
    return plan;
}
