#include "support/model_cases.h"

#include "builders/bmp_builder.h"
#include "builders/msm_builder.h"
#include "builders/piece_files.h"

#include <filesystem>

namespace fs = std::filesystem;

std::string WriteModelCases(const std::string& folder) {
    const fs::path root(folder);
    // The model folder's path takes 240 characters: "sound.msm" fits
    // behind it, the 24 characters of the long name do not.
    const std::size_t length = fs::path(folder).string().size() + 1;
    const fs::path models = root / std::string(240 - length, 'm');
    for (const fs::path& sub : {root / "profiles", root / "textures", models}) {
        fs::create_directories(sub);
    }
    const Bytes sound = BuildMsm(SquareModel({"t.bmp"}, 0)).bytes;
    WriteBytes((root / "textures" / "t.txr").string(), SolidTxr(0x336699, 2));
    WriteBytes((models / "sound.msm").string(), sound);
    WriteBytes((models / "long_model_file_name.msm").string(), sound);
    WriteBytes((models / "empty.msm").string(), {});
    WriteBytes((models / "cut.msm").string(), Bytes(sound.begin(), sound.end() - 1));
    WriteBytes((models / "picture.msm").string(), BuildBmp(Plain24(4, 4)));
    // Longer than any model is read: sparse, so it takes no room.
    WriteBytes((models / "huge.msm").string(), {});
    fs::resize_file(models / "huge.msm", (std::uintmax_t{1} << 30) + 1);
    const std::pair<const char*, const char*> pieces[] = {
        {"a_sound.prt", "sound.msm"},
        {"b_missing.prt", "absent.msm"},
        {"c_long.prt", "long_model_file_name.msm"},
        {"d_unreadable.prt", "huge.msm"},
        {"e_empty.prt", "empty.msm"},
        {"f_truncated.prt", "cut.msm"},
        {"g_not_a_model.prt", "picture.msm"},
    };
    for (const auto& [profile, model] : pieces) {
        WriteBytes((root / "profiles" / profile).string(), ProfileBytes(model, profile));
    }
    return models.string();
}

const std::vector<ModelCase>& ModelCases() {
    static const std::vector<ModelCase> cases = {
        {"a_sound.prt", ""},
        {"b_missing.prt", "model-missing"},
        {"c_long.prt", "path-too-long"},
        {"d_unreadable.prt", "model-missing"},
        {"e_empty.prt", "model-malformed"},
        {"f_truncated.prt", "model-malformed"},
        {"g_not_a_model.prt", "model-malformed"},
    };
    return cases;
}
