// The real converter binary of this build, run as a user runs it: one case
// per exit code and per way of naming the output; piecetool convert where it
// reads and writes as the converter does.
#include "builders/bmp_builder.h"
#include "support/scratch.h"
#include "support/literal_texture.h"
#include "support/run_program.h"
#include "builders/txr_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace {

// The line end of the program's standard output: the runtime's text mode
// makes it a carriage return and line feed on Windows.
#ifdef _WIN32
const std::string kLineEnd = "\r\n";
#else
const std::string kLineEnd = "\n";
#endif

TestTexture Texture(int w, int h, int bpp) {
    return TestTexture{w, h, bpp, 2, PatternPixel, {}};
}

ProgramResult Convert(const std::vector<std::string>& arguments, long fileSizeLimit = -1) {
    ProgramResult result = RunProgram(ProgramUnderTest(), arguments, fileSizeLimit);
    EXPECT_TRUE(result.started) << ProgramUnderTest();
    return result;
}

TEST(ConverterProgram, TextureToBitmapBesideTheTextureOrUnderTheSecondName) {
    ScratchFolder folder;
    const TestTexture eight = Texture(16, 8, 8), truecolour = Texture(8, 8, 24);
    WriteBytes(folder.File("a.txr"), BuildTxr(eight));
    WriteBytes(folder.File("my tex.txr"), BuildTxr(truecolour));
    const ProgramResult single = Convert({"/b", folder.File("a.txr")});
    EXPECT_EQ(std::tie(single.exitCode, single.standardOutput), std::make_tuple(0, std::string()));
    EXPECT_EQ(ReadBytes(folder.File("a.bmp")), ExpectedBmp(eight)) << "a.txr gives a.bmp";
    // Names with blanks arrive in quotes; a third name is ignored.
    EXPECT_EQ(
        Convert({"/B", folder.File("my tex.txr"), folder.File("my out.bmp"), folder.File("c")})
            .exitCode,
        0);
    EXPECT_EQ(ReadBytes(folder.File("my out.bmp")), ExpectedBmp(truecolour)) << "the second name";
    EXPECT_EQ(folder.Entries(),
              (std::vector<std::string>{"a.bmp", "a.txr", "my out.bmp", "my tex.txr"}));
}

TEST(ConverterProgram, BitmapToTextureHasTheBytesOfTheLiteralAlgorithmsInBothBuilds) {
    ScratchFolder folder;
    TestBitmap eight = Plain8(32, 16);
    eight.pixel = [](int x, int y, int) {
        return static_cast<std::uint8_t>((x * 37 + y * 11) ^ (x * y));
    };
    WriteBytes(folder.File("in.dib"), BuildBmp(eight));
    EXPECT_EQ(Convert({"/T", folder.File("in.dib"), folder.File("out.txr")}).standardOutput, "");
    EXPECT_TRUE(ReadBytes(folder.File("out.txr")) == literal::Txr(ImageOf(eight))) << "8-bit";
    TestBitmap picture = Plain24(16, 8);
    picture.topDown = true;
    WriteBytes(folder.File("pic.bmp"), BuildBmp(picture));
    EXPECT_EQ(Convert({"/t", folder.File("pic.bmp")}).exitCode, 0);
    EXPECT_TRUE(ReadBytes(folder.File("pic.txr")) == literal::Txr(ImageOf(picture))) << "pic.txr";
}

// 1024 x 1024 at 24 bits: with 9 levels a texture is 4 MiB and read whole;
// with 10 it is 16 bytes longer and read through a mapping of the file on
// Windows, which refuses to replace a file while it is mapped.
TestTexture Large(int levels) {
    return TestTexture{1024, 1024, 24, levels, PatternPixel, {}};
}

// Input and output names: a new name, then the input's own.
using NamePairs = std::pair<const char*, const char*>[2];

TEST(ConverterProgram, ConvertsToANewNameAndOntoItsInputWhetherReadWholeOrMapped) {
    for (const int levels : {9, 10}) {
        ScratchFolder folder;
        WriteBytes(folder.File("tex.txr"), BuildTxr(Large(levels)));
        WriteBytes(folder.File("same.txr"), BuildTxr(Large(levels)));
        const NamePairs names = {{"tex.txr", "new.bmp"}, {"same.txr", "same.txr"}};
        for (const auto& [in, out] : names) {
            EXPECT_EQ(Convert({"/b", folder.File(in), folder.File(out)}).exitCode, 0);
            EXPECT_TRUE(ReadBytes(folder.File(out)) == ExpectedBmp(Large(levels)))
                << in << " -> " << out << " with " << levels << " levels";
        }
        EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"new.bmp", "same.txr", "tex.txr"}));
    }
    ScratchFolder folder;
    const TestBitmap picture = Plain24(1024, 1024);
    WriteBytes(folder.File("pic.bmp"), BuildBmp(picture));
    WriteBytes(folder.File("same.bmp"), BuildBmp(picture));
    const Bytes expected = literal::Txr(ImageOf(picture));
    const NamePairs names = {{"pic.bmp", "new.txr"}, {"same.bmp", "same.bmp"}};
    for (const auto& [in, out] : names) {
        EXPECT_EQ(Convert({"/t", folder.File(in), folder.File(out)}).standardOutput, "");
        EXPECT_TRUE(ReadBytes(folder.File(out)) == expected) << in << " -> " << out;
    }
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"new.txr", "pic.bmp", "same.bmp"}));
}

// piecetool writing its bitmaps into the folder of its textures, over those
// of an earlier run, at both sizes.
TEST(ConverterProgram, PiecetoolConvertsIntoTheFolderOfItsInputsWhetherReadWholeOrMapped) {
    ScratchFolder folder;
    for (const int levels : {9, 10}) {
        const std::string name = folder.File(std::to_string(levels));
        WriteBytes(name + ".txr", BuildTxr(Large(levels)));
        WriteBytes(name + ".bmp", Bytes{'o', 'l', 'd'});
    }
    const std::string here = folder.Path().string();
    const ProgramResult result = RunProgram(
        PiecetoolUnderTest(), {"convert", "--to", "bmp", here, "--out", here, "--force"});
    EXPECT_EQ(result.exitCode, 0) << result.standardOutput;
    for (const int levels : {9, 10}) {
        EXPECT_TRUE(ReadBytes(folder.File(std::to_string(levels) + ".bmp")) ==
                    ExpectedBmp(Large(levels)))
            << levels << " levels";
    }
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"10.bmp", "10.txr", "9.bmp", "9.txr"}));
}

TEST(ConverterProgram, MalformedTailsExitWithMinusOneAndUnclosedQuotesWithZero) {
    ScratchFolder folder;
    WriteBytes(folder.File("a.txr"), BuildTxr(Texture(4, 4, 24)));
    const std::string unclosed = std::string(1, '"').append(folder.File("b.bmp"));
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"/b"}, kExitMinusOne},
        {{"/b", folder.File("a.txr") + " "}, kExitMinusOne}, // a single name cannot be quoted
        {{"/t", std::string(300, 'x') + ".bmp"}, kExitMinusOne},
        {{"/b", folder.File("a.txr"), unclosed}, 0}, // nothing converted
    };
    for (const auto& [arguments, exitCode] : cases) {
        EXPECT_EQ(Convert(arguments).exitCode, exitCode) << arguments.back().substr(0, 40);
    }
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"a.txr"}) << "nothing converted";
}

TEST(ConverterProgram, FailedConversionsExitWithZeroSayWhyAndWriteNothing) {
    ScratchFolder folder;
    WriteBytes(folder.File("bad.txr"), Bytes(20, 0xFF));
    WriteBytes(folder.File("keep.bmp"), Bytes{'k'});
    const ProgramResult bad = Convert({"/b", folder.File("bad.txr"), folder.File("keep.bmp")});
    EXPECT_EQ(std::tie(bad.exitCode, bad.standardOutput), std::make_tuple(0, std::string()));
    TestBitmap sixteen = Plain24(4, 4);
    sixteen.bitsPerPixel = 16;
    WriteBytes(folder.File("sixteen.bmp"), BuildBmp(sixteen));
    const ProgramResult depth =
        Convert({"/t", folder.File("sixteen.bmp"), folder.File("keep.txr")});
    EXPECT_EQ(depth.exitCode, 0);
    EXPECT_EQ(depth.standardOutput, "  bitmap does not correspond to color number" + kLineEnd +
                                        "  bitmap must be 256 or 24bit colors" + kLineEnd);
    EXPECT_EQ(depth.standardError, "");
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"bad.txr", "keep.bmp", "sixteen.bmp"}));
    EXPECT_EQ(ReadBytes(folder.File("keep.bmp")), Bytes{'k'}) << "the old file is kept";
}

#ifndef _WIN32

TEST(ConverterProgram, AFailedWriteLeavesNoPartialFileAndKeepsTheOldOne) {
    // Files may grow to 4096 bytes only, as on a full disk.
    ScratchFolder folder;
    const TestTexture big = Texture(256, 256, 24);
    WriteBytes(folder.File("big.txr"), BuildTxr(big));
    WriteBytes(folder.File("old.bmp"), Bytes{'o', 'l', 'd'});
    WriteBytes(folder.File("in.bmp"), BuildBmp(Plain24(64, 64)));
    EXPECT_EQ(Convert({"/b", folder.File("big.txr"), folder.File("new.bmp")}, 4096).exitCode, 0);
    EXPECT_EQ(Convert({"/b", folder.File("big.txr"), folder.File("old.bmp")}, 4096).exitCode, 0);
    EXPECT_EQ(Convert({"/t", folder.File("in.bmp"), folder.File("in.txr")}, 4096).standardOutput,
              "  couldn't be drawn up\n");
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"big.txr", "in.bmp", "old.bmp"}));
    EXPECT_EQ(ReadBytes(folder.File("old.bmp")), (Bytes{'o', 'l', 'd'})) << "the old file is kept";
    EXPECT_EQ(Convert({"/b", folder.File("big.txr"), folder.File("old.bmp")}).exitCode, 0);
    EXPECT_EQ(ReadBytes(folder.File("old.bmp")), ExpectedBmp(big)) << "without the limit it works";
}

TEST(ConverterProgram, NoSwitchPrintsOneUsageLineAndExitsWithTwo) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"a.txr", "/b"}}) {
        const ProgramResult result = Convert(arguments);
        EXPECT_EQ(std::tie(result.exitCode, result.standardOutput),
                  std::make_tuple(2, std::string()));
        EXPECT_EQ(result.standardError.rfind("usage: pieceviewer ", 0), 0u) << result.standardError;
        EXPECT_EQ(std::count(result.standardError.begin(), result.standardError.end(), '\n'), 1);
    }
}

#endif

} // namespace
