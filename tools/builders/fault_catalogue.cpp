#include "builders/fault_catalogue.h"

#include "builders/msm_builder.h"
#include "builders/piece_files.h"
#include "builders/txr_builder.h"

#include <filesystem>

namespace {

// A texture of side 8 with all its levels, so that its level count is sound.
Bytes Texture(int bitsPerPixel) {
    return BuildTxr({8, 8, bitsPerPixel, 3, PatternPixel, PatternPaletteByte});
}

struct PieceFiles {
    std::string profile;
    std::string pieceName;
    std::string modelFile;
    Bytes model; // empty: no model file
};

} // namespace

void WriteFaultCatalogue(const std::string& folder) {
    namespace fs = std::filesystem;
    const fs::path root(folder);
    for (const char* sub : {"profiles", "models", "textures"}) {
        fs::create_directories(root / sub);
    }
    const auto texture = [&](const std::string& name, const Bytes& bytes) {
        WriteBytes((root / "textures" / name).string(), bytes);
    };
    texture("brick.txr", Texture(24));
    texture("checker.txr", Texture(8));
    Bytes badDepth = Texture(24);
    badDepth[8] = 16; // 16 bits per pixel
    texture("bad.txr", badDepth);
    Bytes fewLevels = Texture(24);
    fewLevels[12] = 1; // one level where 8x8 takes three
    texture("levels.txr", fewLevels);
    texture("unused.txr", Texture(24));

    // The sound piece: a box with both textures and a nested record on its
    // first group. Untextured groups come with the faulty pieces below.
    TestModel box = BoxModel({"brick.bmp", "checker.bmp"}, 0, true);
    box.groups[1].textureIndex = 1;
    box.groups[2].textureIndex = 0;
    box.groups[3].textureIndex = 1;
    box.groups[4].textureIndex = 0;
    box.groups[0].nested = {{2, {1}}};
    TestModel vertex = SquareModel({"brick.bmp"}, 0);
    vertex.groups.push_back(vertex.groups[0]); // drawn
    vertex.groups[0].indices = {0, 1, 99};     // one triangle, skipped by the viewer
    TestModel textureIndex = SquareModel({"brick.bmp"}, 3);
    std::vector<std::string> many(18, "brick.bmp");
    Bytes malformed = BuildMsm(SquareModel({"brick.bmp"}, 0)).bytes;
    malformed.resize(malformed.size() - 3);

    const std::string longName(250, 'x');
    const std::vector<PieceFiles> pieces = {
        {"a_good.prt", "Good Piece", "good.msm", BuildMsm(box).bytes},
        {"b_model_missing.prt", "Missing Model", "absent.msm", {}},
        {"c_malformed.prt", "Malformed", "short.msm", malformed},
        {"d_vertex.prt", "Vertex", "vertex.msm", BuildMsm(vertex).bytes},
        {"e_texture_missing.prt", "Texture Missing", "nowhere.msm",
         BuildMsm(SquareModel({"nowhere.bmp"}, 0)).bytes},
        {"f_texture_malformed.prt", "Texture Malformed", "bad.msm",
         BuildMsm(SquareModel({"bad.bmp"}, 0)).bytes},
        {"g_name_path.prt", "Name Path", "path.msm",
         BuildMsm(SquareModel({"..\\evil.bmp"}, 0)).bytes},
        {"h_long.prt", "Long", "long.msm", BuildMsm(SquareModel({longName + ".bmp"}, 0)).bytes},
        {"i_texture_index.prt", "Texture Index", "index.msm", BuildMsm(textureIndex).bytes},
        {"j_many.prt", "Many", "many.msm", BuildMsm(SquareModel(many, 0)).bytes},
        {"k_levels.prt", "Levels", "levels.msm", BuildMsm(SquareModel({"levels.bmp"}, 0)).bytes},
        {"l_duplicate.prt", "Good Piece", "good.msm", {}},
        // 赤い箱 (red box) in Shift-JIS, an 8-bit texture.
        {"m_shift_jis.prt", "\x90\xd4\x82\xa2\x94\xa0", "red.msm",
         BuildMsm(SquareModel({"checker.bmp"}, 0)).bytes},
        {"n_skipped.prt", "", "good.msm", {}},
    };
    for (const PieceFiles& piece : pieces) {
        WriteBytes((root / "profiles" / piece.profile).string(),
                   ProfileBytes(piece.modelFile, piece.pieceName));
        if (!piece.model.empty()) {
            WriteBytes((root / "models" / piece.modelFile).string(), piece.model);
        }
    }
    WriteBytes((root / "models" / "unused.msm").string(), BuildMsm(box).bytes);
}

std::vector<PlantedFault> PlantedFaults() {
    return {
        {"error", "model-missing", "b_model_missing.prt"},
        {"error", "model-malformed", "c_malformed.prt"},
        {"error", "vertex-index", "d_vertex.prt"},
        {"error", "texture-missing", "e_texture_missing.prt"},
        {"error", "texture-malformed", "f_texture_malformed.prt"},
        {"error", "texture-name-path", "g_name_path.prt"},
        {"error", "path-too-long", "h_long.prt"},
        {"warning", "texture-index", "i_texture_index.prt"},
        {"warning", "too-many-textures", "j_many.prt"},
        {"warning", "texture-levels", "k_levels.prt"},
        {"warning", "duplicate-name", "l_duplicate.prt"},
        {"warning", "profile-skipped", "n_skipped.prt"},
        {"info", "unused-model", ""},
        {"info", "unused-texture", ""},
    };
}

std::vector<std::string> ExportablePieces() {
    return {"a_good",      "d_vertex",    "e_texture_missing", "f_texture_malformed",
            "g_name_path", "h_long",      "i_texture_index",   "j_many",
            "k_levels",    "l_duplicate", "m_shift_jis"};
}
