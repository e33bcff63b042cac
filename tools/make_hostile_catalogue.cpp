// Writes a catalogue whose names try to break the pages `piecetool site`
// writes: markup and script in piece names, file names and texture names,
// quotes, text that looks like character references or the site's own
// template placeholders, Shift-JIS names whose second byte is 0x5C (the byte
// of "\"), a profile file name that is not UTF-8, names that differ only in
// case, a name Windows keeps for a device, a missing texture, a missing and a
// malformed model. Beside the three folders, expected.json lists the pieces
// in the viewer's order (the two whose profile names differ only in case in
// either order) with the texts the pages must show for them: written here
// literally, not computed by the code under test.
//   make_hostile_catalogue FOLDER      (Linux: the file names need its file system)
#include "builders/tool_arguments.h"
#include "builders/msm_builder.h"
#include "builders/piece_files.h"
#include "builders/txr_builder.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <optional>
#include <string>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct HostilePiece {
    std::string profile;   // file name bytes
    std::string name;      // Shift-JIS bytes in the profile
    std::string shownName; // UTF-8, as the pages show it
    std::string shownProfile;
    std::string modelFile;
    Bytes model; // empty: no model file
    bool error;  // the piece has an error finding
    bool view;   // its model can be shown
};

const char kScript[] = "<script>document.title='pwned'</script>";
const char kImage[] = "<img src=x onerror=\"document.title='pwned'\">";
const char kQuotes[] = "\"quoted\" 'single' \" onmouseover=\"document.title='pwned'";
const char kReferences[] = "&amp; &lt;b&gt; &#x3C;i> {{text:title}} {{html:cards}}";

std::vector<HostilePiece> Pieces() {
    const Bytes box = BuildMsm(BoxModel({"brick.bmp"}, 0)).bytes;
    Bytes malformed = box;
    malformed.resize(malformed.size() - 5);
    const Bytes missingTexture = BuildMsm(BoxModel({"<b>gone<b>\".bmp"}, 0)).bytes;
    return {
        {"a_script.prt", kScript, kScript, "a_script.prt", "box.msm", box, false, true},
        {"b_image.prt", kImage, kImage, "b_image.prt", "box.msm", box, false, true},
        {"c_quotes.prt", kQuotes, kQuotes, "c_quotes.prt", "box.msm", box, false, true},
        // A name Windows keeps for a device: no page may be called con.html.
        {"con.prt", "Device Name", "Device Name", "con.prt", "box.msm", box, false, true},
        {"d_references.prt", kReferences, kReferences, "d_references.prt", "box.msm", box, false,
         true},
        // 表示 and ソース: both 表 (95 5C) and ソ (83 5C) end in the byte of "\".
        {"e_shift_jis.prt", "\x95\x5C\x8E\xA6 \x83\x5C\x81\x5B\x83\x58", "表示 ソース",
         "e_shift_jis.prt", "box.msm", box, false, true},
        {"f_missing_texture.prt", "Missing <b>Texture</b>", "Missing <b>Texture</b>",
         "f_missing_texture.prt", "missing.msm", missingTexture, true, true},
        {"g_malformed.prt", "Malformed Model", "Malformed Model", "g_malformed.prt",
         "malformed.msm", malformed, true, false},
        {"h_<b>file<b>\"&amp;'.prt", "Hostile File Name", "Hostile File Name",
         "h_<b>file<b>\"&amp;'.prt", "box.msm", box, false, true},
        {"i_missing_model.prt",
         "Missing Model",
         "Missing Model",
         "i_missing_model.prt",
         "<i>m</i>\".msm",
         {},
         true,
         false},
        // Not UTF-8 as a Linux file name: the byte is shown as an escape.
        {"k_\x95\x5C.prt", "Shift-JIS File Name", "Shift-JIS File Name", "k_\\x95\\.prt", "box.msm",
         box, false, true},
        {"l_twin.prt", "twin lower", "twin lower", "l_twin.prt", "box.msm", box, false, true},
        {"L_Twin.prt", "Twin Upper", "Twin Upper", "L_Twin.prt", "box.msm", box, false, true},
    };
}

} // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    const std::optional<std::string> folder =
        OutputFolderArgument(argc, argv, "make_hostile_catalogue FOLDER", exitCode);
    if (!folder) {
        return exitCode;
    }
    namespace fs = std::filesystem;
    try {
        const fs::path root(*folder);
        for (const char* sub : {"profiles", "models", "textures"}) {
            fs::create_directories(root / sub);
        }
        WriteBytes((root / "textures" / "brick.txr").string(),
                   BuildTxr({16, 16, 24, 4, PatternPixel, {}}));
        nlohmann::json expected = nlohmann::json::array();
        for (const HostilePiece& piece : Pieces()) {
            WriteBytes((root / "profiles" / piece.profile).string(),
                       ProfileBytes(piece.modelFile, piece.name));
            if (!piece.model.empty()) {
                WriteBytes((root / "models" / piece.modelFile).string(), piece.model);
            }
            expected.push_back({{"name", piece.shownName},
                                {"profile", piece.shownProfile},
                                {"error", piece.error},
                                {"view", piece.view}});
        }
        std::ofstream((root / "expected.json").string()) << expected.dump(2) << "\n";
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_hostile_catalogue: %s\n", error.what());
        return 1;
    }
}
