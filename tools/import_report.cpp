// Imports a glTF model as a piece into OUTDIR/profiles, OUTDIR/models and
// OUTDIR/textures (replacing a piece of the same stem), then reads the
// written model back with the viewer's own walk and prints what it draws as
// one JSON line: the piece's name, its triangles, vertices and fans, the
// bounds of its vertices (the viewer's space), the sides of its textures.
// The import's check against Blender's own reading of the same file
// (tests/blender/check_blender_import.py) runs it.
//   import_report MODEL OUTDIR [--palette] [--max-side N]
#include "catalogue/catalogue_folders.h"
#include "gltf/piece_import.h"
#include "preview/msm_layout.h"
#include "texture/txr_format.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: import_report MODEL OUTDIR [--palette] [--max-side N]\n");
        return 2;
    }
    ImportOptions options;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--palette") == 0) {
            options.palette = true;
        } else if (std::strcmp(argv[i], "--max-side") == 0 && i + 1 < argc) {
            options.maxSide = std::atoi(argv[++i]);
        }
    }
    const Result<ImportedPiece> piece = ImportGltfFile(argv[1], options);
    if (!piece) {
        std::cout << nlohmann::json(
                         {{"refused", piece.refusal().code}, {"message", piece.refusal().message}})
                  << "\n";
        return 1;
    }
    const std::filesystem::path out = argv[2];
    for (const char* folder : {"profiles", "models", "textures"}) {
        std::filesystem::create_directories(out / folder);
    }
    const Result<WrittenPiece> written =
        WriteImportedPiece(*piece, (out / "profiles").string(), (out / "models").string(),
                           (out / "textures").string(), true);
    if (!written) {
        std::cerr << written.refusal().message << "\n";
        return 1;
    }

    // What the viewer draws, from the file written.
    std::FILE* file =
        std::fopen((out / "models" / NameOnDisk(piece->model.name)).string().c_str(), "rb");
    std::vector<std::uint8_t> model;
    for (int c; file != nullptr && (c = std::fgetc(file)) != EOF;) {
        model.push_back(static_cast<std::uint8_t>(c));
    }
    if (file != nullptr) {
        std::fclose(file);
    }
    const std::optional<MsmLayout> layout = WalkMsmLayout(model);
    if (!layout) {
        std::cerr << "the written model does not walk\n";
        return 1;
    }
    std::size_t triangles = 0;
    std::size_t at = layout->groupsOffset;
    for (unsigned g = 0; g < layout->groupCount; ++g) {
        const MsmGroup group = *ReadMsmGroup(model, at);
        triangles += static_cast<std::size_t>(group.indexCount) - 2;
        at = group.next;
    }
    nlohmann::json low = {1e30, 1e30, 1e30}, high = {-1e30, -1e30, -1e30};
    for (std::size_t v = 0; v < layout->vertexCount; ++v) {
        float xyz[3];
        std::memcpy(xyz, model.data() + layout->verticesOffset + v * kMsmVertexBytes, 12);
        for (int k = 0; k < 3; ++k) {
            low[k] = std::min(low[k].get<double>(), static_cast<double>(xyz[k]));
            high[k] = std::max(high[k].get<double>(), static_cast<double>(xyz[k]));
        }
    }
    nlohmann::json sides = nlohmann::json::array();
    for (const ImportedFile& texture : piece->textures) {
        const TxrHeader header = DecodeTxrHeader(texture.bytes.data());
        sides.push_back({header.width, header.height, header.bitsPerPixel, header.levelCount});
    }
    std::cout << nlohmann::json({{"name", piece->pieceName},
                                 {"stem", piece->stem},
                                 {"triangles", triangles},
                                 {"vertices", layout->vertexCount},
                                 {"fans", layout->groupCount},
                                 {"bounds", {low, high}},
                                 {"textures", sides},
                                 {"notes", piece->notes},
                                 {"files", written->paths}})
                     .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
              << "\n";
    return 0;
}
