// The real piecetool of this build (under Wine for the Windows build), run as
// a user runs it: check's lines and JSON document, export's files, convert
// against the real single-file converter (pieceviewer /t and /b), exit codes.
#include "builders/bmp_builder.h"
#include "builders/fault_catalogue.h"
#include "support/model_cases.h"
#include "support/png_builder.h"
#include "support/run_program.h"
#include "support/scratch.h"
#include "texture/texture_pictures.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// Runs piecetool; its standard output with the CR LF line ends of a Windows
// console program made LF.
ProgramResult Piecetool(const Args& arguments) {
    ProgramResult result = RunProgram(PiecetoolUnderTest(), arguments);
    EXPECT_TRUE(result.started) << PiecetoolUnderTest();
    std::erase(result.standardOutput, '\r');
    return result;
}

// The generated catalogue with one planted fault per finding code.
struct Catalogue {
    ScratchFolder scratch;
    Catalogue() { WriteFaultCatalogue(scratch.Path().string()); }
    Args Command(const std::string& command, const Args& more) const {
        Args args = {command, scratch.File("profiles"), scratch.File("models"),
                     scratch.File("textures")};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }
};

TEST(PiecetoolE2e, CheckReportsEachPlantedFaultAsALineOrInJson) {
    const Catalogue catalogue;
    const ProgramResult lines = Piecetool(catalogue.Command("check", {}));
    EXPECT_EQ(lines.exitCode, 1) << "errors found";
    for (const char* line :
         {"error model-missing \"Missing Model\" (b_model_missing.prt): no model absent.msm in "
          "the model folder\n",
          "warning duplicate-name \"Good Piece\" (l_duplicate.prt): ",
          "\n13 pieces checked, 7 errors, 5 warnings\n"}) {
        EXPECT_TRUE(Has(lines.standardOutput, line)) << line << " in " << lines.standardOutput;
    }
    EXPECT_FALSE(Has(lines.standardOutput, "unused-")) << "unused files only with --all";

    const ProgramResult json = Piecetool(catalogue.Command("check", {"--json", "--all"}));
    EXPECT_EQ(json.exitCode, 1);
    const nlohmann::json document = nlohmann::json::parse(json.standardOutput, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << json.standardOutput;
    std::vector<std::string> got, expected;
    for (const nlohmann::json& f : document["findings"]) {
        got.push_back(f["severity"].get<std::string>() + " " + f["code"].get<std::string>() + " " +
                      f["profile"].get<std::string>());
    }
    for (const PlantedFault& f : PlantedFaults()) {
        expected.push_back(f.severity + " " + f.code + " " + f.profile);
    }
    EXPECT_EQ(got, expected) << "one finding per planted fault, in the list's order";
    ASSERT_EQ(document["findings"].size(), 14u);
    EXPECT_EQ(document["findings"][1]["file"], "short.msm");
    EXPECT_EQ(document["findings"][3]["file"], "nowhere.txr") << "the missing file as looked for";
    EXPECT_EQ(document["findings"][12]["file"], "unused.msm");
    EXPECT_EQ(document["findings"][13]["file"], "unused.txr");
    EXPECT_EQ(document["pieces"], 13) << "every qualifying profile, the skipped one not";
    EXPECT_EQ(document["errors"], 7);
    EXPECT_EQ(document["infos"], 2);
}

// list gives the viewer's list: every listed profile in its order (the
// skipped one left out), with its model, its texture names counted and
// whether its model can be drawn; names as UTF-8 whatever the console.
TEST(PiecetoolE2e, ListWritesTheViewersListInItsOrder) {
    const Catalogue catalogue;
    const ProgramResult result = Piecetool(catalogue.Command("list", {}));
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    const nlohmann::json document = nlohmann::json::parse(result.standardOutput, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << result.standardOutput;
    Args profiles;
    for (const nlohmann::json& piece : document["pieces"]) {
        profiles.push_back(piece["profile"]);
    }
    EXPECT_EQ(profiles, (Args{"a_good.prt", "b_model_missing.prt", "c_malformed.prt",
                              "d_vertex.prt", "e_texture_missing.prt", "f_texture_malformed.prt",
                              "g_name_path.prt", "h_long.prt", "i_texture_index.prt", "j_many.prt",
                              "k_levels.prt", "l_duplicate.prt", "m_shift_jis.prt"}));
    struct Row {
        std::size_t index;
        const char* name;
        const char* stem;
        const char* model;
        int textures;
        bool drawable;
    };
    for (const Row& row : {Row{0, "Good Piece", "a_good", "good.msm", 2, true},
                           Row{1, "Missing Model", "b_model_missing", "absent.msm", 0, false},
                           Row{9, "Many", "j_many", "many.msm", 18, true},
                           Row{11, "Good Piece", "l_duplicate", "good.msm", 2, true},
                           Row{12, "赤い箱", "m_shift_jis", "red.msm", 1, true}}) {
        ASSERT_LT(row.index, document["pieces"].size());
        const nlohmann::json& piece = document["pieces"][row.index];
        EXPECT_EQ(piece["name"], row.name) << row.stem;
        EXPECT_EQ(piece["stem"], row.stem);
        EXPECT_EQ(piece["model"], row.model) << row.stem;
        EXPECT_EQ(piece["textures"], row.textures) << row.stem;
        EXPECT_EQ(piece["drawable"], row.drawable) << row.stem;
    }
}

TEST(PiecetoolE2e, ExportWritesEverySoundPieceInsideOutdirOnly) {
    const Catalogue catalogue;
    const ProgramResult result =
        Piecetool(catalogue.Command("export", {catalogue.scratch.File("out")}));
    EXPECT_EQ(result.exitCode, 1) << "a missing and a malformed model";
    EXPECT_TRUE(Has(result.standardOutput, "error model-malformed \"Malformed\" (c_malformed.prt)"))
        << result.standardOutput;
    std::vector<std::string> expected;
    for (const std::string& piece : ExportablePieces()) {
        expected.push_back(piece + ".glb");
    }
    EXPECT_EQ(FolderEntries(catalogue.scratch.File("out")), expected)
        << "no temporary file left, nothing for the broken models";
    EXPECT_EQ(catalogue.scratch.Entries(), (Args{"models", "out", "profiles", "textures"}))
        << "nothing written beside OUTDIR whatever a model names";

#ifdef _WIN32
    const std::string redBox = "\x90\xd4\x82\xa2\x94\xa0"; // as the console hands it over
#else
    const std::string redBox = "赤い箱";
#endif
    const ProgramResult two =
        Piecetool(catalogue.Command("export", {catalogue.scratch.File("gltf"), "--gltf", "--piece",
                                               redBox, "--piece", "a_good"}));
    EXPECT_EQ(two.exitCode, 0) << two.standardOutput;
    EXPECT_TRUE(Has(two.standardOutput, "2 pieces exported, 0 errors"));
    // A picture that cannot be written (a folder has its name) fails its piece.
    fs::create_directories(catalogue.scratch.File("blocked/a_good_0.png"));
    EXPECT_EQ(Piecetool(catalogue.Command("export", {catalogue.scratch.File("blocked"), "--gltf",
                                                     "--piece", "a_good"}))
                  .exitCode,
              1);
    EXPECT_EQ(FolderEntries(catalogue.scratch.File("gltf")),
              (Args{"a_good.bin", "a_good.gltf", "a_good_0.png", "a_good_1.png", "m_shift_jis.bin",
                    "m_shift_jis.gltf", "m_shift_jis_0.png"}));
}

TEST(PiecetoolE2e, ConvertReportsAFolderInOrderAndMatchesTheSingleFileConverter) {
    ScratchFolder folder;
    const fs::path in = folder.Path() / "in";
    fs::create_directories(in);
    TestBitmap four = Plain8(8, 8);
    four.bitsPerPixel = 4;
    four.tableEntries = 16;
    WriteBytes((in / "a8.bmp").string(), BuildBmp(Plain8(16, 16)));
    WriteBytes((in / "b24.bmp").string(), BuildBmp(Plain24(32, 8)));
    WriteBytes((in / "c.png").string(),
               BuildPng({8, 8, 2, 8, [](int x, int y, int c) { return x * 30 + y * 7 + c; }}));
    WriteBytes((in / "d4.bmp").string(), BuildBmp(four));
    WriteBytes((in / "e.bmp").string(), BuildBmp(Plain24(4, 4)));
    WriteBytes((in / "e.txr").string(), {'o', 'l', 'd'});

    const ProgramResult result = Piecetool({"convert", "--jobs", "2", in.string()});
    EXPECT_EQ(result.exitCode, 1) << "a file failed";
    const auto line = [&](const char* from, const char* to) {
        const std::u8string text = (in / from).u8string() + u8" -> " + (in / to).u8string();
        return std::string(text.begin(), text.end());
    };
    const std::string skipped = ": skipped, the output exists (--force replaces it)\n";
    EXPECT_EQ(result.standardOutput, line("a8.bmp", "a8.txr") + "\n" + line("b24.bmp", "b24.txr") +
                                         "\n" + line("c.png", "c.txr") + "\n" +
                                         line("d4.bmp", "d4.txr") +
                                         ": failed\n  bitmap does not correspond to color number\n"
                                         "  bitmap must be 256 or 24bit colors\n" +
                                         line("e.bmp", "e.txr") + skipped + line("e.txr", "e.bmp") +
                                         skipped + "3 converted, 2 skipped, 1 failed\n");
    EXPECT_EQ(ReadBytes((in / "e.txr").string()), (Bytes{'o', 'l', 'd'}))
        << "skipped, not replaced";

    // The same bytes as the single-file converter, both ways.
    EXPECT_EQ(Piecetool({"convert", (in / "a8.txr").string(), (in / "b24.txr").string(), "--out",
                         folder.File("back")})
                  .exitCode,
              0);
    for (const std::string name : {"a8", "b24"}) {
        for (const Args& viewer :
             {Args{"/t", (in / (name + ".bmp")).string(), folder.File(name + ".txr")},
              Args{"/b", folder.File(name + ".txr"), folder.File(name + ".bmp")}}) {
            EXPECT_EQ(RunProgram(ProgramUnderTest(), viewer).exitCode, 0) << viewer[0];
        }
        EXPECT_EQ(ReadBytes((in / (name + ".txr")).string()), ReadBytes(folder.File(name + ".txr")))
            << name;
        EXPECT_EQ(ReadBytes(folder.File("back/" + name + ".bmp")),
                  ReadBytes(folder.File(name + ".bmp")))
            << name;
    }
}

TEST(PiecetoolE2e, TheArtistsRoundTripThroughPngGivesTheTexturesBack) {
    ScratchFolder folder;
    const std::string textures = folder.File("textures");
    fs::create_directories(fs::path(textures) / "walls.v2");
    WriteBytes(textures + "/floor.bmp", BuildBmp(Plain24(16, 16)));
    WriteBytes(textures + "/walls.v2/brick.bmp", BuildBmp(Plain24(8, 32)));
    ASSERT_EQ(Piecetool({"convert", "-r", textures}).exitCode, 0);
    const Bytes floor = ReadBytes(textures + "/floor.txr");
    const Bytes brick = ReadBytes(textures + "/walls.v2/brick.txr");

    const std::string edited = folder.File("edited");
    ASSERT_EQ(Piecetool({"convert", "--to", "png", "--recursive", textures + "/", "--out", edited})
                  .exitCode,
              0);
    const ProgramResult again =
        Piecetool({"convert", edited, "-r", "--out", textures, "--jobs", "1"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_TRUE(Has(again.standardOutput, "0 converted, 2 skipped, 0 failed\n"))
        << again.standardOutput;
    EXPECT_EQ(Piecetool({"convert", edited, "-r", "--out", textures, "--force"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(textures + "/floor.txr"), floor);
    EXPECT_EQ(ReadBytes(textures + "/walls.v2/brick.txr"), brick);
}

// Check and export read models with the one loader: for each way a model
// fails to load they print the same finding, and export writes only the
// sound piece.
TEST(PiecetoolE2e, CheckAndExportGiveTheSameFindingForEveryModelThatDoesNotLoad) {
    ScratchFolder folder;
    const std::string models = WriteModelCases(folder.Path().string());
    const Args folders = {folder.File("profiles"), models, folder.File("textures")};
    Args check = {"check"}, exported = {"export"};
    check.insert(check.end(), folders.begin(), folders.end());
    exported.insert(exported.end(), folders.begin(), folders.end());
    exported.push_back(folder.File("out"));
    const ProgramResult checked = Piecetool(check);
    const ProgramResult written = Piecetool(exported);
    EXPECT_EQ(checked.exitCode, 1);
    EXPECT_EQ(written.exitCode, 1);
    for (const ModelCase& c : ModelCases()) {
        const auto line = [&c](const std::string& output) {
            const std::size_t at = output.find("(" + c.profile + ")");
            return at == std::string::npos
                       ? std::string()
                       : output.substr(output.rfind('\n', at) + 1,
                                       output.find('\n', at) - output.rfind('\n', at) - 1);
        };
        EXPECT_EQ(line(written.standardOutput), line(checked.standardOutput)) << c.profile;
        EXPECT_EQ(line(checked.standardOutput).find("error " + c.code + " "),
                  c.code.empty() ? std::string::npos : 0u)
            << c.profile << ": " << checked.standardOutput;
    }
    EXPECT_EQ(FolderEntries(folder.File("out")), Args{"a_sound.glb"});
}

// Render draws every listed piece whose model exists, errors on standard
// error; a model that cannot be drawn at all gets the clear picture.
TEST(PiecetoolE2e, RenderDrawsEveryListedPieceWithAModelAndReportsErrors) {
    const Catalogue catalogue;
    const ProgramResult result = Piecetool(
        catalogue.Command("render", {catalogue.scratch.File("pictures"), "--size", "64x48"}));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(
        Has(result.standardError, "error model-missing \"Missing Model\" (b_model_missing.prt)"));
    EXPECT_TRUE(Has(result.standardError, "error model-malformed \"Malformed\" (c_malformed.prt)"));
    EXPECT_TRUE(Has(result.standardOutput, "12 pictures written, 7 errors\n"))
        << result.standardOutput;
    // Every listed piece but the one whose model is missing (n_skipped is not listed).
    Args expected;
    for (const std::string& profile : ExportablePieces()) {
        expected.push_back(profile + ".png");
    }
    expected.push_back("c_malformed.png");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(catalogue.scratch.File("pictures")), expected);
    // The colours of a picture: the clear colour alone, or more.
    const auto colours = [&](const char* name) {
        const Result<BitmapImage> png = DecodePngForTxr(
            ReadBytes(catalogue.scratch.File(std::string("pictures/") + name)), false);
        EXPECT_TRUE(png) << name;
        std::set<std::uint32_t> seen;
        for (std::size_t i = 0; png && i + 2 < png->pixels.size(); i += 3) {
            seen.insert(png->pixels[i + 2] << 16 | png->pixels[i + 1] << 8 | png->pixels[i]);
        }
        EXPECT_EQ(png ? png->width * 1000 + png->height : 0, 64048) << name;
        return seen;
    };
    EXPECT_EQ(colours("c_malformed.png"), std::set<std::uint32_t>{0x7777FF});
    EXPECT_GT(colours("a_good.png").size(), 2u) << "the clear colour and the box's textures";
}

// The pixels of a picture that render wrote.
BitmapImage Picture(const std::string& path) {
    Result<BitmapImage> png = DecodePngForTxr(ReadBytes(path), false);
    EXPECT_TRUE(png) << path;
    return png ? std::move(png).value() : BitmapImage{};
}

// Pieces exported and imported again are pieces check finds nothing in, with
// their names, that render draws as it drew the originals; an import that is
// refused writes nothing.
TEST(PiecetoolE2e, ImportMakesPiecesThatDrawAsTheirExportsAndRefusesWithoutWriting) {
    const Catalogue catalogue;
    const ScratchFolder& scratch = catalogue.scratch;
    ASSERT_EQ(Piecetool(catalogue.Command("export", {scratch.File("glb"), "--piece", "a_good",
                                                     "--piece", "m_shift_jis"}))
                  .exitCode,
              0);
    const Args folders = {scratch.File("new/profiles"), scratch.File("new/models"),
                          scratch.File("new/textures")};
    for (const std::string& folder : folders) {
        fs::create_directories(folder);
    }
    const auto import = [&](const std::string& model, const Args& more) {
        Args args = {"import", model};
        args.insert(args.end(), folders.begin(), folders.end());
        args.insert(args.end(), more.begin(), more.end());
        return Piecetool(args);
    };
    for (const char* stem : {"a_good", "m_shift_jis"}) {
        const ProgramResult imported =
            import(scratch.File("glb/" + std::string(stem) + ".glb"), {});
        EXPECT_EQ(imported.exitCode, 0) << imported.standardError;
    }
    Args check = {"check"};
    check.insert(check.end(), folders.begin(), folders.end());
    check.push_back("--all");
    EXPECT_TRUE(Has(Piecetool(check).standardOutput, "2 pieces checked, 0 errors, 0 warnings\n"));
    const Bytes profile = ReadBytes(folders[0] + "/m_shift_jis.prt");
    EXPECT_EQ(std::string(profile.begin() + 100, profile.begin() + 107),
              "\x90\xd4\x82\xa2\x94\xa0" + std::string(1, '\0'));

    Args render = {"render"};
    render.insert(render.end(), folders.begin(), folders.end());
    render.insert(render.end(), {scratch.File("new-pictures"), "--size", "96x80"});
    EXPECT_EQ(Piecetool(render).exitCode, 0);
    EXPECT_EQ(Piecetool(catalogue.Command("render", {scratch.File("pictures"), "--size", "96x80"}))
                  .exitCode,
              1);
    for (const char* picture : {"/a_good.png", "/m_shift_jis.png"}) {
        EXPECT_EQ(Picture(scratch.File("new-pictures") + picture).pixels,
                  Picture(scratch.File("pictures") + picture).pixels)
            << picture << ": the same triangles, textures and turn";
    }

    // Refused: the piece exists (replaced only with --force), or the file is
    // not a model. Nothing is written either time.
    const auto files = [&] {
        std::vector<Bytes> all;
        for (const std::string& folder : folders) {
            for (const std::string& name : FolderEntries(folder)) {
                all.push_back(ReadBytes(folder + "/" + name));
            }
        }
        return all;
    };
    const std::vector<Bytes> before = files();
    WriteBytes(scratch.File("junk.glb"), Bytes(300, 0x5A));
    const ProgramResult exists = import(scratch.File("glb/a_good.glb"), {"--name", "Other"});
    EXPECT_EQ(exists.exitCode, 1);
    EXPECT_TRUE(Has(exists.standardError, "import-exists")) << exists.standardError;
    const ProgramResult junk = import(scratch.File("junk.glb"), {});
    EXPECT_EQ(junk.exitCode, 1);
    EXPECT_TRUE(Has(junk.standardError, "piecetool: gltf-")) << junk.standardError;
    EXPECT_EQ(files(), before);
    EXPECT_EQ(import(scratch.File("glb/a_good.glb"), {"--name", "Other", "--force"}).exitCode, 0);
    EXPECT_NE(files(), before) << "replaced";
#ifndef _WIN32
    // The check before writing: in a texture folder whose path leaves no room
    // for the textures' names the viewer would never load them.
    const std::string deep = scratch.File(std::string(250 - scratch.Path().string().size(), 't'));
    fs::create_directories(deep);
    const ProgramResult refused = Piecetool(
        {"import", scratch.File("glb/a_good.glb"), folders[0], folders[1], deep, "--file", "deep"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(Has(refused.standardError, "error path-too-long \"Good Piece\" (deep.prt)"))
        << refused.standardError;
    EXPECT_TRUE(fs::is_empty(deep));
    EXPECT_FALSE(fs::exists(folders[0] + "/deep.prt"));
#endif
}

TEST(PiecetoolE2e, UsageErrorsExitWithTwoAndWriteNothing) {
    ScratchFolder folder;
    const std::string bmp = folder.File("a.bmp");
    WriteBytes(bmp, BuildBmp(Plain24(4, 4)));
    WriteBytes(folder.File("a.bmp.txt"), {});
    WriteBytes(folder.File("a.txr"), {});
    const struct {
        Args args;
        std::string says;
    } cases[] = {
        {{"check", folder.File("")}, "MODELS is required"},
        {{"import", bmp, folder.File(""), folder.File(""), folder.File(""), "--file", "..\\x"},
         "--file: the file stem"},
        {{"import", bmp, folder.File(""), folder.File(""), folder.File(""), "--max-side", "1"},
         "--max-side: Value 1 not in range 2 to 32768"},
        {{"import", bmp, folder.File(""), folder.File(""), folder.File(""), "--scale", "0"},
         "--scale: must be a number above 0"},
        {{"import", folder.File("none.glb"), folder.File(""), folder.File(""), folder.File("")},
         "MODEL: File does not exist"},
#ifndef _WIN32
        // (A Windows program's arguments hold only its code page's characters.)
        {{"import", bmp, folder.File(""), folder.File(""), folder.File(""), "--name", "snow ☃"},
         "--name: the character \"☃\" (U+2603) has no code of its own in code page 932"},
        {{"import", bmp, folder.File(""), folder.File(""), folder.File(""), "--name",
          std::string(126, 'x') + "あ"},
         "--name: takes 128 bytes in Shift-JIS; a piece name holds at most 127"},
#endif
        {{"render", folder.File(""), folder.File(""), folder.File(""), folder.File("r"), "--size",
          "8x8"},
         "--size: must be WIDTHxHEIGHT, each from 16 to 4096"},
        {{"render", folder.File(""), folder.File(""), folder.File(""), folder.File("r"), "--angle",
          "inf"},
         "--angle: not a finite number"},
        {{"check", folder.File("none"), folder.File(""), folder.File("")},
         "PROFILES: Directory does not exist"},
        {{"export", folder.File("")}, "is required"},
        {{"export", folder.File(""), folder.File(""), folder.File(""), folder.File("a.bmp")},
         "the output folder"},
        {{"check", folder.File(""), folder.File(""), folder.File(""), "--frobnicate"},
         "not expected: --frobnicate"},
        {{"convert", "--to", "bmp", bmp}, "--to does not fit"},
        {{"convert", "--to", "gif", bmp}, "--to: gif not in {txr,bmp,png}"},
        {{"convert", folder.File("missing")}, "INPUT: Path does not exist"},
        {{"convert", folder.File("a.bmp.txt")}, "is not a BMP, DIB, PNG or TXR file"},
        {{"convert", "--to", "txr", folder.File("a.txr")}, "--to does not fit"},
        {{"convert", "--jobs", "0", bmp}, "--jobs: Value 0 not in range 1 to 1024"},
        {{"site", folder.File("none"), folder.File(""), folder.File(""), folder.File("out")},
         "PROFILES: Directory does not exist"},
        {{"site", folder.File(""), folder.File(""), folder.File(""), folder.File("a.txr")},
         "cannot be made"},
    };
    for (const auto& c : cases) {
        const ProgramResult result = Piecetool(c.args);
        EXPECT_EQ(result.exitCode, 2) << c.args[0] << " " << c.args[1];
        EXPECT_EQ(result.standardError.rfind("piecetool: ", 0), 0u) << result.standardError;
        EXPECT_TRUE(Has(result.standardError, c.says)) << result.standardError;
    }
    EXPECT_EQ(folder.Entries(), (Args{"a.bmp", "a.bmp.txt", "a.txr"}))
        << "nothing converted, no site made";
    const ProgramResult clean =
        Piecetool({"check", folder.File(""), folder.File(""), folder.File("")});
    EXPECT_EQ(clean.exitCode, 0);
    EXPECT_TRUE(Has(clean.standardOutput, "0 pieces checked, 0 errors, 0 warnings"));
}

} // namespace
