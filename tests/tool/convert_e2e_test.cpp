// The real piecetool convert of this build, run as a user runs it, against
// the real single-file converter (pieceviewer /t and /b).
#include "support/bmp_builder.h"
#include "support/png_builder.h"
#include "support/run_program.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

ProgramResult Run(const ProgramResult& result, const std::string& program) {
    EXPECT_TRUE(result.started) << program;
    return result;
}

ProgramResult Piecetool(const std::vector<std::string>& arguments) {
    return Run(RunProgram(PiecetoolUnderTest(), arguments), PiecetoolUnderTest());
}

void Pieceviewer(const std::vector<std::string>& arguments) {
    EXPECT_EQ(Run(RunProgram(ProgramUnderTest(), arguments), ProgramUnderTest()).exitCode, 0);
}

std::string Unix(std::string text) {
    std::erase(text, '\r'); // a Windows console program ends its lines with CR LF
    return text;
}

TEST(ConvertProgram, AFolderIsReportedInOrderWithRefusalsAndMatchesTheSingleFileConverter) {
    ScratchFolder folder;
    fs::create_directories(folder.Path() / "in");
    const std::string in = folder.File("in");
    TestBitmap four = Plain8(8, 8);
    four.bitsPerPixel = 4;
    four.tableEntries = 16;
    WriteBytes(in + "/a8.bmp", BuildBmp(Plain8(16, 16)));
    WriteBytes(in + "/b24.bmp", BuildBmp(Plain24(32, 8)));
    TestPng png;
    png.width = 8;
    png.height = 8;
    png.sample = [](int x, int y, int c) { return x * 30 + y * 7 + c; };
    WriteBytes(in + "/c.png", BuildPng(png));
    WriteBytes(in + "/d4.bmp", BuildBmp(four));
    WriteBytes(in + "/e.bmp", BuildBmp(Plain24(4, 4)));
    WriteBytes(in + "/e.txr", {'o', 'l', 'd'});

    const ProgramResult result = Piecetool({"convert", "--jobs", "2", in});
    EXPECT_EQ(result.exitCode, 1) << "a file failed";
    const fs::path inPath(in);
    const auto line = [&](const char* from, const char* to) {
        const std::u8string text = (inPath / from).u8string() + u8" -> " + (inPath / to).u8string();
        return std::string(text.begin(), text.end());
    };
    const std::string expected = line("a8.bmp", "a8.txr") + "\n" + line("b24.bmp", "b24.txr") +
                                 "\n" + line("c.png", "c.txr") + "\n" + line("d4.bmp", "d4.txr") +
                                 ": failed\n  bitmap does not correspond to color number\n"
                                 "  bitmap must be 256 or 24bit colors\n" +
                                 line("e.bmp", "e.txr") +
                                 ": skipped, the output exists (--force replaces it)\n" +
                                 line("e.txr", "e.bmp") +
                                 ": skipped, the output exists (--force replaces it)\n"
                                 "3 converted, 2 skipped, 1 failed\n";
    EXPECT_EQ(Unix(result.standardOutput), expected);
    EXPECT_EQ(ReadBytes(in + "/e.txr"), (Bytes{'o', 'l', 'd'})) << "skipped, not replaced";

    // The same bytes as the single-file converter, both ways.
    for (const char* name : {"a8", "b24"}) {
        Pieceviewer({"/t", in + "/" + name + ".bmp", folder.File(std::string(name) + ".txr")});
        EXPECT_EQ(ReadBytes(in + "/" + name + ".txr"),
                  ReadBytes(folder.File(std::string(name) + ".txr")))
            << name;
        Pieceviewer({"/b", folder.File(std::string(name) + ".txr"),
                     folder.File(std::string(name) + ".bmp")});
    }
    const ProgramResult back =
        Piecetool({"convert", in + "/a8.txr", in + "/b24.txr", "--out", folder.File("back")});
    EXPECT_EQ(back.exitCode, 0) << back.standardOutput;
    for (const char* name : {"a8", "b24"}) {
        EXPECT_EQ(ReadBytes(folder.File("back") + "/" + name + ".bmp"),
                  ReadBytes(folder.File(std::string(name) + ".bmp")))
            << name;
    }
}

TEST(ConvertProgram, TheArtistsRoundTripThroughPngGivesTheTexturesBack) {
    ScratchFolder folder;
    const std::string textures = folder.File("textures");
    fs::create_directories(fs::path(textures) / "walls.v2");
    WriteBytes(textures + "/floor.bmp", BuildBmp(Plain24(16, 16)));
    WriteBytes(textures + "/walls.v2/brick.bmp", BuildBmp(Plain24(8, 32)));
    ASSERT_EQ(Piecetool({"convert", "-r", textures}).exitCode, 0);
    const Bytes floor = ReadBytes(textures + "/floor.txr");
    const Bytes brick = ReadBytes(textures + "/walls.v2/brick.txr");

    ASSERT_EQ(Piecetool({"convert", "--to", "png", "--recursive", textures + "/", "--out",
                         folder.File("edited")})
                  .exitCode,
              0);
    const ProgramResult again =
        Piecetool({"convert", folder.File("edited"), "-r", "--out", textures, "--jobs", "1"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_NE(Unix(again.standardOutput).find("0 converted, 2 skipped, 0 failed\n"),
              std::string::npos)
        << again.standardOutput;
    EXPECT_EQ(
        Piecetool({"convert", folder.File("edited"), "-r", "--out", textures, "--force"}).exitCode,
        0);
    EXPECT_EQ(ReadBytes(textures + "/floor.txr"), floor);
    EXPECT_EQ(ReadBytes(textures + "/walls.v2/brick.txr"), brick);
}

TEST(ConvertProgram, UsageErrorsExitWithTwoAndConvertNothing) {
    ScratchFolder folder;
    WriteBytes(folder.File("a.bmp"), BuildBmp(Plain24(4, 4)));
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"convert", "--to", "bmp", folder.File("a.bmp")},
          std::vector<std::string>{"convert", "--to", "gif", folder.File("a.bmp")},
          std::vector<std::string>{"convert", folder.File("missing")},
          std::vector<std::string>{"convert", "--jobs", "0", folder.File("a.bmp")}}) {
        const ProgramResult result = Piecetool(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments[2];
        EXPECT_EQ(result.standardError.rfind("piecetool: ", 0), 0u) << result.standardError;
    }
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"a.bmp"});
}

} // namespace
