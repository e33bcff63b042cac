#include "gltf/piece_import.h"

#include "catalogue/catalogue_folders.h"
#include "catalogue/profile_writer.h"
#include "common/file_group.h"
#include "common/file_io.h"
#include "common/output_links.h"
#include "common/path_text.h"
#include "common/shift_jis_text.h"
#include "gltf/fan_builder.h"
#include "gltf/gltf_reader.h"
#include "gltf/picture_fit.h"
#include "gltf/vertex_weld.h"
#include "preview/msm_writer.h"
#include "texture/txr_format.h"
#include "texture/txr_writer.h"

#include <algorithm>
#include <cmath>
#include <map>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// The side of a texture made from a colour alone.
constexpr int kSolidSide = 8;
constexpr std::uint64_t kMaxModelFileBytes = std::uint64_t{1} << 30;
// The piece name's field holds 128 bytes, the last a zero.
constexpr std::size_t kPieceNameLimit = kPieceNameBytes - 1;

// A texture slot: what its texture is made of. Materials that make the same
// texture share a slot.
struct SlotKey {
    int picture = -1;
    std::array<float, 3> colour = {1, 1, 1};
    friend bool operator==(const SlotKey&, const SlotKey&) = default;
};

Refusal Stem(const std::string& stem, const std::string& why) {
    return Refuse("import-stem", "the file stem \"" + stem + "\" " + why);
}

// The piece name's Shift-JIS bytes, or why the profile cannot hold it.
Result<std::string> PieceNameBytes(const std::string& name, const std::string& origin) {
    const std::string what = "the piece name \"" + name + "\"" + origin;
    if (name.empty()) {
        return Refuse("import-name", "the piece name is empty");
    }
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
        return Refuse("import-name", what + " holds a control character");
    }
    Result<std::string> bytes = Utf8ToShiftJis(name);
    if (!bytes) {
        return Refuse("import-name", what + ": " + bytes.refusal().message);
    }
    if (bytes->size() > kPieceNameLimit) {
        return Refuse("import-name", what + " needs " + std::to_string(bytes->size()) +
                                         " bytes in Shift-JIS, more than the " +
                                         std::to_string(kPieceNameLimit) + " the profile holds");
    }
    return bytes;
}

// A texture of `width` x `height` pixels in memory for the TXR writer:
// blue, green, red, rows top first, each padded to 4 bytes.
BitmapImage BitmapOf(const RgbPicture& picture) {
    BitmapImage bitmap;
    bitmap.width = picture.width;
    bitmap.height = picture.height;
    bitmap.bitsPerPixel = 24;
    const std::size_t stride = BitmapStride(picture.width, 24);
    bitmap.pixels.assign(stride * static_cast<std::size_t>(picture.height), 0);
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* in =
            picture.rgb.data() + static_cast<std::size_t>(y) * picture.width * 3;
        std::uint8_t* out = bitmap.pixels.data() + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < picture.width; ++x) {
            out[3 * x] = in[3 * x + 2];
            out[3 * x + 1] = in[3 * x + 1];
            out[3 * x + 2] = in[3 * x];
        }
    }
    return bitmap;
}

// The level-0 picture of a slot's texture.
Result<RgbPicture> SlotPicture(const SlotKey& key, const GltfScene& scene,
                               std::map<int, RgbPicture>& decoded, int maxSide) {
    if (key.picture < 0) {
        RgbPicture solid;
        solid.width = solid.height = kSolidSide;
        for (int i = 0; i < kSolidSide * kSolidSide; ++i) {
            for (const float channel : key.colour) {
                solid.rgb.push_back(LinearToSrgb(channel));
            }
        }
        return solid;
    }
    auto it = decoded.find(key.picture);
    if (it == decoded.end()) {
        Result<RgbPicture> picture =
            DecodeScenePicture(scene.pictures[static_cast<std::size_t>(key.picture)]);
        if (!picture) {
            return picture.refusal();
        }
        it = decoded.emplace(key.picture, std::move(*picture)).first;
    }
    RgbPicture picture = ResizePicture(it->second, TextureSide(it->second.width, maxSide),
                                       TextureSide(it->second.height, maxSide));
    TintPicture(picture, key.colour);
    return picture;
}

Status CheckOptions(const ImportOptions& options) {
    if (!(options.scale > 0) || !std::isfinite(options.scale)) {
        return Refuse("import-option",
                      "the scale " + std::to_string(options.scale) + " is not a number above 0");
    }
    if (options.maxSide < 2 || options.maxSide > kMaxTxrSide) {
        return Refuse("import-option", "the largest texture side " +
                                           std::to_string(options.maxSide) + " is not from 2 to " +
                                           std::to_string(kMaxTxrSide));
    }
    return Success();
}

// The piece's name: the option's, else the scene's one mesh node's, else
// the stem.
Status NamePiece(const GltfScene& scene, const ImportOptions& options, ImportedPiece& piece) {
    std::string origin;
    if (!options.pieceName.empty()) {
        piece.pieceName = options.pieceName;
    } else if (scene.meshNodes.size() == 1 && !scene.meshNodes[0].empty()) {
        piece.pieceName = scene.meshNodes[0];
        origin = " (the name of the model's one node with a mesh)";
    } else {
        piece.pieceName = piece.stem;
        origin = " (the file stem)";
    }
    Result<std::string> name = PieceNameBytes(piece.pieceName, origin);
    if (!name) {
        return name.refusal();
    }
    piece.pieceNameShiftJis = *name;
    return Success();
}

// Every drawn triangle's corners in the viewer's space and winding, with the
// slot of its texture.
struct PieceCorners {
    std::vector<MsmVertex> corners;    // three per triangle
    std::vector<std::uint32_t> slotOf; // per triangle, into slots
    std::vector<SlotKey> slots;
};

Result<PieceCorners> CornersOf(const GltfScene& scene, double scaleOption) {
    PieceCorners piece;
    const float scale = static_cast<float>(scaleOption);
    for (const SceneTriangles& part : scene.triangles) {
        SlotKey key;
        if (part.material >= 0) {
            const SceneMaterial& material =
                scene.materials[static_cast<std::size_t>(part.material)];
            key.picture = material.picture;
            key.colour = {material.baseColour[0], material.baseColour[1], material.baseColour[2]};
        }
        auto slot = std::find(piece.slots.begin(), piece.slots.end(), key);
        if (slot == piece.slots.end()) {
            piece.slots.push_back(key);
            slot = piece.slots.end() - 1;
        }
        const auto slotIndex = static_cast<std::uint32_t>(slot - piece.slots.begin());
        for (std::size_t t = 0; t + 2 < part.corners.size(); t += 3) {
            // glTF's front is counter-clockwise in a right-handed space;
            // mirrored into the viewer's left-handed space the same corners
            // run the other way round, so the second and third change places.
            const std::uint32_t at[3] = {part.corners[t], part.corners[t + 2], part.corners[t + 1]};
            const auto& p0 = part.positions[at[0]];
            const auto& p1 = part.positions[at[1]];
            const auto& p2 = part.positions[at[2]];
            if (p0 == p1 || p1 == p2 || p0 == p2) {
                continue; // covers nothing
            }
            // Without normals in the file, each triangle's own (glTF's rule
            // for a mesh without them), from its corners in glTF's winding.
            std::array<float, 3> flat = {0, 1, 0};
            if (part.normals.empty()) {
                const double u[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
                const double v[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
                const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                                     u[0] * v[1] - u[1] * v[0]};
                const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
                if (length > 0 && std::isfinite(length)) {
                    flat = {static_cast<float>(n[0] / length), static_cast<float>(n[1] / length),
                            static_cast<float>(n[2] / length)};
                }
            }
            for (const std::uint32_t i : at) {
                const auto& p = part.positions[i];
                const std::array<float, 3> n = part.normals.empty() ? flat : part.normals[i];
                const std::array<float, 2> uv =
                    part.uvs.empty() ? std::array<float, 2>{0, 0} : part.uvs[i];
                piece.corners.push_back(
                    {p[0] * scale, p[1] * scale, -p[2] * scale, n[0], n[1], -n[2], uv[0], uv[1]});
                const MsmVertex& corner = piece.corners.back();
                if (!std::isfinite(corner.x) || !std::isfinite(corner.y) ||
                    !std::isfinite(corner.z)) {
                    return Refuse("import-option", "scaled by " + std::to_string(scaleOption) +
                                                       ", a vertex lies beyond the numbers a model "
                                                       "holds");
                }
            }
            piece.slotOf.push_back(slotIndex);
        }
    }
    if (scene.triangles.empty()) {
        return Refuse("import-no-triangles", scene.pointsOrLines
                                                 ? "the model's scene has no triangles, only "
                                                   "points and lines"
                                                 : "the model's scene has no triangles");
    }
    if (piece.slotOf.empty()) {
        return Refuse("import-no-triangles", "every triangle of the model covers nothing");
    }
    return piece;
}

// The slots of the triangles drawn, in the order first drawn (the triangles
// renumbered to them): at most the viewer's 17.
Result<std::vector<SlotKey>> DrawnSlots(PieceCorners& corners) {
    std::vector<std::uint32_t> slotNumber(corners.slots.size(), 0xFFFFFFFFu);
    std::vector<SlotKey> used;
    for (std::uint32_t& slot : corners.slotOf) {
        if (slotNumber[slot] == 0xFFFFFFFFu) {
            slotNumber[slot] = static_cast<std::uint32_t>(used.size());
            used.push_back(corners.slots[slot]);
        }
        slot = slotNumber[slot];
    }
    if (used.size() > kMaxImportTextures) {
        return Refuse("import-too-many-materials",
                      "the model draws with " + std::to_string(used.size()) +
                          " different materials; a piece has at most " +
                          std::to_string(kMaxImportTextures) +
                          " textures, one per material (the viewer's 17 texture slots): in "
                          "Blender, join materials that share a picture, or bake several into "
                          "one picture");
    }
    return used;
}

// Equal vertices welded into one array, each slot's triangles in fans.
Result<MsmModel> WeldAndFan(const PieceCorners& corners, std::size_t slots, ImportedPiece& piece) {
    WeldedVertices welded = WeldVertices(corners.corners);
    if (welded.vertices.size() > kMsmMaxVertices) {
        return Refuse("import-too-many-vertices",
                      "the model has " + std::to_string(welded.vertices.size()) +
                          " different vertices after welding equal ones; a piece holds at most " +
                          std::to_string(kMsmMaxVertices) +
                          ": in Blender, reduce them with a Decimate modifier");
    }
    MsmModel model;
    model.vertices = std::move(welded.vertices);
    for (std::uint32_t slot = 0; slot < slots; ++slot) {
        std::vector<std::uint32_t> triangles;
        for (std::size_t t = 0; t < corners.slotOf.size(); ++t) {
            if (corners.slotOf[t] == slot) {
                triangles.insert(triangles.end(), welded.indexOf.begin() + 3 * t,
                                 welded.indexOf.begin() + 3 * t + 3);
            }
        }
        for (const auto& fan : BuildFans(triangles, model.vertices.size(), kMsmMaxGroupIndices)) {
            piece.triangles += fan.size() - 2;
            model.fans.push_back({static_cast<std::int16_t>(slot),
                                  std::vector<std::uint16_t>(fan.begin(), fan.end())});
        }
    }
    piece.vertices = model.vertices.size();
    piece.fans = model.fans.size();
    return model;
}

// One texture per slot, named STEM_i.txr, into the piece and the model.
Status MakeTextures(const std::vector<SlotKey>& slots, const GltfScene& scene,
                    const ImportOptions& options, const std::string& stem, MsmModel& model,
                    ImportedPiece& piece) {
    std::map<int, RgbPicture> decoded;
    for (std::size_t slot = 0; slot < slots.size(); ++slot) {
        Result<RgbPicture> picture = SlotPicture(slots[slot], scene, decoded, options.maxSide);
        if (!picture) {
            return picture.refusal();
        }
        const BitmapImage bitmap = BitmapOf(*picture);
        ImportedFile texture;
        texture.name = stem + "_" + std::to_string(slot) + ".txr";
        texture.bytes =
            EncodeTxr(bitmap, TxrMaxLevelCount(bitmap.width, bitmap.height), options.palette);
        model.textureNames.push_back(texture.name);
        piece.textures.push_back(std::move(texture));
    }
    return Success();
}

// The model's and the profile's bytes.
Status EncodePiece(const MsmModel& model, const ImportOptions& options, const std::string& stem,
                   ImportedPiece& piece) {
    Result<std::vector<std::uint8_t>> modelBytes = EncodeMsm(model);
    if (!modelBytes) {
        return Refuse("import-too-many-fans", modelBytes.refusal().message);
    }
    piece.model = {stem + ".msm", std::move(*modelBytes)};
    Result<std::vector<std::uint8_t>> profile =
        EncodePieceProfile(piece.model.name, piece.pieceNameShiftJis,
                           options.likeProfile ? &*options.likeProfile : nullptr);
    if (!profile) {
        return profile.refusal();
    }
    piece.profile = {stem + ".prt", std::move(*profile)};
    return Success();
}

} // namespace

Result<std::string> CheckImportStem(const std::string& stem) {
    if (stem.empty()) {
        return Refuse("import-stem", "the file stem is empty");
    }
    if (stem == "." || stem == ".." || stem.find_first_of("/\\") != std::string::npos) {
        return Stem(stem, "is a path, not a file name");
    }
    for (const char c : stem) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("<>:\"|?*").find(c) != std::string_view::npos) {
            return Stem(stem, "holds a character that Windows does not allow in file names");
        }
    }
    if (stem.back() == '.' || stem.back() == ' ') {
        return Stem(stem, "ends in a dot or a blank, which Windows drops from file names");
    }
    // Device names are no file names on Windows, whatever extension follows.
    std::string device = FoldCase(stem.substr(0, stem.find('.')));
    device.erase(device.find_last_not_of(' ') + 1);
    for (const char* reserved : {"con", "prn", "aux", "nul"}) {
        if (device == reserved) {
            return Stem(stem, "is the name of a device on Windows");
        }
    }
    if (device.size() == 4 && (device.rfind("com", 0) == 0 || device.rfind("lpt", 0) == 0) &&
        device[3] >= '1' && device[3] <= '9') {
        return Stem(stem, "is the name of a device on Windows");
    }
    Result<std::string> bytes = Utf8ToShiftJis(stem);
    if (!bytes) {
        return Stem(stem, "cannot be written in the profile: " + bytes.refusal().message);
    }
    constexpr std::size_t kLimit = kModelFileBytes - 4 - 1; // ".msm" and a zero
    if (bytes->size() > kLimit) {
        return Stem(stem, "takes " + std::to_string(bytes->size()) +
                              " bytes in Shift-JIS; with \".msm\" and a zero the profile's "
                              "32-byte model field holds " +
                              std::to_string(kLimit));
    }
    return bytes;
}

Result<ImportedPiece> ImportGltfFile(const std::string& path, const ImportOptions& options) {
    const Result<std::vector<std::uint8_t>> file = ReadFileBytes(path.c_str(), kMaxModelFileBytes);
    if (!file) {
        return Refuse("import-read", path + " " + file.refusal().message);
    }
    const std::size_t nameStart = FileNameOffset(path.c_str());
    const std::string name = path.substr(nameStart);
    const std::size_t dot = name.rfind('.');
    const std::string stem =
        SystemTextToUtf8(dot == std::string::npos || dot == 0 ? name : name.substr(0, dot));
    const std::string folder = nameStart == 0 ? "." : path.substr(0, nameStart);
    return ImportGltfBytes(*file, folder, stem, options);
}

Result<ImportedPiece> ImportGltfBytes(std::span<const std::uint8_t> file, const std::string& folder,
                                      const std::string& defaultStem,
                                      const ImportOptions& options) {
    if (Status checked = CheckOptions(options); !checked) {
        return checked.refusal();
    }
    ImportedPiece piece;
    piece.stem = options.stem.empty() ? defaultStem : options.stem;
    Result<std::string> stem = CheckImportStem(piece.stem);
    if (!stem) {
        return stem.refusal();
    }
    Result<GltfScene> scene = ReadGltfScene(file, folder);
    if (!scene) {
        return scene.refusal();
    }
    piece.notes = scene->notes;
    if (Status named = NamePiece(*scene, options, piece); !named) {
        return named.refusal();
    }
    Result<PieceCorners> corners = CornersOf(*scene, options.scale);
    if (!corners) {
        return corners.refusal();
    }
    Result<std::vector<SlotKey>> slots = DrawnSlots(*corners);
    if (!slots) {
        return slots.refusal();
    }
    Result<MsmModel> model = WeldAndFan(*corners, slots->size(), piece);
    if (!model) {
        return model.refusal();
    }
    if (Status made = MakeTextures(*slots, *scene, options, *stem, *model, piece); !made) {
        return made.refusal();
    }
    if (Status encoded = EncodePiece(*model, options, *stem, piece); !encoded) {
        return encoded.refusal();
    }
    return piece;
}

Result<WrittenPiece> WriteImportedPiece(const ImportedPiece& piece, const std::string& profiles,
                                        const std::string& models, const std::string& textures,
                                        bool force) {
    struct Planned {
        const std::string* folder;
        const ImportedFile* file;
    };
    std::vector<Planned> planned = {{&profiles, &piece.profile}, {&models, &piece.model}};
    for (const ImportedFile& texture : piece.textures) {
        planned.push_back({&textures, &texture});
    }
    std::map<std::string, FolderIndex> indexes;
    for (const std::string* folder : {&profiles, &models, &textures}) {
        if (!IsDirectory(folder->c_str())) {
            return Refuse("import-folder", "the folder " + *folder + " does not exist");
        }
        if (!indexes.count(*folder)) {
            indexes.emplace(*folder, IndexFolder(*folder));
        }
    }
    WrittenPiece written;
    std::vector<GroupFile> group;
    std::vector<std::string> existing;
    for (const Planned& p : planned) {
        const std::string onDisk = NameOnDisk(p.file->name);
        GroupFile file{FolderPath(*p.folder, onDisk), p.file->bytes, {}};
        if (const FolderFile* found = FindInFolder(indexes[*p.folder], onDisk)) {
            file.replaces = FolderPath(*p.folder, found->name);
            existing.push_back(file.replaces);
        }
        written.paths.push_back(file.path);
        group.push_back(std::move(file));
    }
    if (!existing.empty() && !force) {
        std::string list;
        for (const std::string& path : existing) {
            list += (list.empty() ? "" : ", ") + path;
        }
        return Refuse("import-exists", list + (existing.size() == 1 ? " exists" : " exist") +
                                           " already; nothing was written");
    }
    // The textures of the piece replaced that the new one no longer has go
    // with it: only names of the form an import gives them, STEM_i.txr for
    // the slots a piece can have, and not one the new piece writes.
    std::vector<std::string> removals;
    if (force) {
        const std::string& modelName = piece.model.name;
        const std::string stem = modelName.substr(0, modelName.size() - 4); // without ".msm"
        for (std::size_t slot = piece.textures.size(); slot < kMaxImportTextures; ++slot) {
            const std::string name = NameOnDisk(stem + "_" + std::to_string(slot) + ".txr");
            if (const FolderFile* found = FindInFolder(indexes[textures], name)) {
                removals.push_back(FolderPath(textures, found->name));
            }
        }
    }
    // No file of the piece is written, replaced or removed through a link in
    // its folder.
    for (std::size_t i = 0; i < group.size(); ++i) {
        for (const std::string& path : {group[i].path, group[i].replaces}) {
            if (Status noLink = RefuseLinkBelowFolder(*planned[i].folder, path); !noLink) {
                return noLink.refusal();
            }
        }
    }
    for (const std::string& path : removals) {
        if (Status noLink = RefuseLinkBelowFolder(textures, path); !noLink) {
            return noLink.refusal();
        }
    }
    if (Status status = WriteFileGroup(group, removals); !status) {
        return status.refusal();
    }
    written.replaced = std::move(existing);
    written.removed = std::move(removals);
    return written;
}
