// The real converter binary of this build, run as a user runs it.
#include "support/bmp_builder.h"
#include "support/literal_texture.h"
#include "support/run_program.h"
#include "support/scratch.h"
#include "support/txr_builder.h"

#include <gtest/gtest.h>

#include <algorithm>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

TestTexture Texture(int w, int h, int bpp) {
    TestTexture t;
    t.width = w;
    t.height = h;
    t.bitsPerPixel = bpp;
    t.levelCount = 2;
    t.pixel = PatternPixel;
    return t;
}

ProgramResult RunConverter(const std::vector<std::string>& arguments) {
    ProgramResult result = RunProgram(ProgramUnderTest(), arguments);
    EXPECT_TRUE(result.started) << ProgramUnderTest();
    return result;
}

TEST(ConverterProgram, SingleNameWritesTheBitmapBesideTheTexture) {
    ScratchFolder folder;
    const TestTexture t = Texture(16, 8, 8);
    WriteBytes(folder.File("a.txr"), BuildTxr(t));
    const ProgramResult result = RunConverter({"/b", folder.File("a.txr")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardOutput, "");
    EXPECT_EQ(ReadBytes(folder.File("a.bmp")), ExpectedBmp(t));
}

TEST(ConverterProgram, NamesWithBlanksInQuotes) {
    ScratchFolder folder;
    const TestTexture t = Texture(8, 8, 24);
    WriteBytes(folder.File("my tex.txr"), BuildTxr(t));
    const ProgramResult result = RunConverter({"/B", folder.File("my tex.txr"), folder.File("my out.bmp")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(ReadBytes(folder.File("my out.bmp")), ExpectedBmp(t));
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"my out.bmp", "my tex.txr"}));
}

TEST(ConverterProgram, ExtraNamesAreIgnored) {
    ScratchFolder folder;
    WriteBytes(folder.File("a.txr"), BuildTxr(Texture(4, 4, 24)));
    EXPECT_EQ(RunConverter({"/b", folder.File("a.txr"), folder.File("b.bmp"), folder.File("c.bmp")}).exitCode, 0);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"a.txr", "b.bmp"}));
}

TEST(ConverterProgram, FailedConversionsExitWithZeroAndWriteNothing) {
    ScratchFolder folder;
    const ProgramResult missing = RunConverter({"/b", folder.File("missing.txr"), folder.File("out.bmp")});
    EXPECT_EQ(missing.exitCode, 0);
    EXPECT_EQ(missing.standardOutput, "");
    WriteBytes(folder.File("bad.txr"), Bytes(20, 0xFF));
    WriteBytes(folder.File("keep.bmp"), Bytes{'k'});
    EXPECT_EQ(RunConverter({"/b", folder.File("bad.txr"), folder.File("keep.bmp")}).exitCode, 0);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"bad.txr", "keep.bmp"}));
    EXPECT_EQ(ReadBytes(folder.File("keep.bmp")), Bytes{'k'});
}

TEST(ConverterProgram, MalformedTailsExitWithMinusOne) {
    ScratchFolder folder;
    WriteBytes(folder.File("a.txr"), BuildTxr(Texture(4, 4, 24)));
    EXPECT_EQ(RunConverter({"/b"}).exitCode, kExitMinusOne);
    // An argument with a blank arrives quoted, and a single name cannot be quoted.
    EXPECT_EQ(RunConverter({"/b", folder.File("a.txr") + " "}).exitCode, kExitMinusOne);
    EXPECT_EQ(RunConverter({"/t", std::string(300, 'x') + ".bmp"}).exitCode, kExitMinusOne);
    EXPECT_EQ(RunConverter({"/b", folder.File("a.txr"), std::string(300, 'y')}).exitCode, kExitMinusOne);
    // None of these converted anything.
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"a.txr"});
}

// The line end of the program's standard output: the runtime's text mode
// makes it a carriage return and line feed on Windows.
#ifdef _WIN32
const std::string kLineEnd = "\r\n";
#else
const std::string kLineEnd = "\n";
#endif

TEST(ConverterProgram, TextureThenBitmapGivesBackTheTrueColourPicture) {
    ScratchFolder folder;
    TestBitmap picture = Plain24(16, 8);
    picture.topDown = true;
    WriteBytes(folder.File("pic.bmp"), BuildBmp(picture));
    const ProgramResult toTexture = RunConverter({"/t", folder.File("pic.bmp")});
    EXPECT_EQ(toTexture.exitCode, 0);
    EXPECT_EQ(toTexture.standardOutput, "");
    const Bytes txr = ReadBytes(folder.File("pic.txr"));
    ASSERT_EQ(txr.size(), 16u + 384 + 96 + 24); // 16 x 8, 8 x 4, 4 x 2
    EXPECT_EQ(Le32At(txr, 12), 3u);
    EXPECT_EQ(RunConverter({"/b", folder.File("pic.txr"), folder.File("back.bmp")}).exitCode, 0);
    // The same picture, now stored bottom-up as a plain 24-bit bitmap.
    picture.topDown = false;
    const Bytes expected = BuildBmp(picture);
    const Bytes back = ReadBytes(folder.File("back.bmp"));
    ASSERT_EQ(back.size(), expected.size());
    EXPECT_EQ(Le32At(back, 18), 16u);
    EXPECT_EQ(Le32At(back, 22), 8u);
    EXPECT_EQ(Le16At(back, 28), 24u);
    EXPECT_EQ(Bytes(back.begin() + 54, back.end()), Bytes(expected.begin() + 54, expected.end()));
}

TEST(ConverterProgram, EightBitTextureHasTheBytesOfTheLiteralAlgorithms) {
    // The same expected bytes in both builds: both programs write the same file.
    ScratchFolder folder;
    TestBitmap picture = Plain8(32, 16);
    picture.pixel = [](int x, int y, int) { return static_cast<std::uint8_t>((x * 37 + y * 11) ^ (x * y)); };
    WriteBytes(folder.File("in.dib"), BuildBmp(picture));
    const ProgramResult result = RunConverter({"/T", folder.File("in.dib"), folder.File("out.txr")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardOutput, "");
    EXPECT_TRUE(ReadBytes(folder.File("out.txr")) == literal::Txr(ImageOf(picture)));
}

TEST(ConverterProgram, TextureRefusalsPrintTheirLinesAndExitWithZero) {
    ScratchFolder folder;
    WriteBytes(folder.File("text.bmp"), Bytes{'n', 'o', 't'});
    TestBitmap sixteen = Plain24(4, 4);
    sixteen.bitsPerPixel = 16;
    WriteBytes(folder.File("sixteen.bmp"), BuildBmp(sixteen));
    WriteBytes(folder.File("tall.bmp"), BuildBmp(Plain8(4, 48)));
    WriteBytes(folder.File("fine.bmp"), BuildBmp(Plain24(4, 4)));
    WriteBytes(folder.File("keep.txr"), Bytes{'k'});
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"/t", folder.File("pic.jpg")}, "  is not a BMP or DIB file" + kLineEnd},
        {{"/t", folder.File("missing.dib")}, "  failed at reading bitmap file" + kLineEnd},
        {{"/t", folder.File("text.bmp"), folder.File("keep.txr")}, "  failed at reading bitmap file" + kLineEnd},
        {{"/t", folder.File("sixteen.bmp"), folder.File("keep.txr")},
         "  bitmap does not correspond to color number" + kLineEnd + "  bitmap must be 256 or 24bit colors" +
             kLineEnd},
        {{"/t", folder.File("tall.bmp"), folder.File("keep.txr")},
         "  Length & width must be power of 2(64,128etc)" + kLineEnd},
        {{"/t", folder.File("fine.bmp"), folder.File("no folder/out.txr")}, "  couldn't be drawn up" + kLineEnd},
    };
    for (const auto& [arguments, printed] : cases) {
        const ProgramResult result = RunConverter(arguments);
        EXPECT_EQ(result.exitCode, 0) << arguments[1];
        EXPECT_EQ(result.standardOutput, printed) << arguments[1];
        EXPECT_EQ(result.standardError, "") << arguments[1];
    }
    EXPECT_EQ(folder.Entries(),
              (std::vector<std::string>{"fine.bmp", "keep.txr", "sixteen.bmp", "tall.bmp", "text.bmp"}));
    EXPECT_EQ(ReadBytes(folder.File("keep.txr")), Bytes{'k'});
}

#ifdef _WIN32

TEST(ConverterProgram, RawTailsAsTheSystemHandsThem) {
    ScratchFolder folder;
    const TestTexture t = Texture(4, 4, 24);
    WriteBytes(folder.File("a.txr"), BuildTxr(t));
    const std::string program = ProgramUnderTest();
    const std::string a = folder.File("a.txr");
    EXPECT_EQ(RunProgramWithTail(program, "/b   ").exitCode, -1);
    EXPECT_EQ(RunProgramWithTail(program, "/b \"" + a + "\"").exitCode, -1);
    EXPECT_EQ(RunProgramWithTail(program, "/b " + a + " ").exitCode, -1);
    EXPECT_EQ(RunProgramWithTail(program, "/b " + a + " \"" + folder.File("b.bmp")).exitCode, 0);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"a.txr"});
    EXPECT_EQ(RunProgramWithTail(program, "/b\"" + a + "\"" + folder.File("c.bmp")).exitCode, 0);
    EXPECT_EQ(ReadBytes(folder.File("c.bmp")), ExpectedBmp(t));
}

// A tail without a switch first opens the viewer, which stays up until it is
// closed; the GUI tests (tests/gui) start it that way, close it, and check that
// nothing was converted.

#else

// A file-size limit makes every write past it fail as a full disk would.
int RunWithFileSizeLimit(const std::vector<std::string>& arguments, rlim_t limit) {
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN); // fail the write instead of killing the process
        const rlimit cap{limit, limit};
        setrlimit(RLIMIT_FSIZE, &cap);
        std::vector<char*> argv;
        const std::string program = ProgramUnderTest();
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : arguments) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ConverterProgram, AFailedWriteLeavesNoPartialFileAndKeepsTheOldOne) {
    ScratchFolder folder;
    const TestTexture t = Texture(256, 256, 24);
    WriteBytes(folder.File("big.txr"), BuildTxr(t));
    WriteBytes(folder.File("old.bmp"), Bytes{'o', 'l', 'd'});
    EXPECT_EQ(RunWithFileSizeLimit({"/b", folder.File("big.txr"), folder.File("new.bmp")}, 4096), 0);
    EXPECT_EQ(RunWithFileSizeLimit({"/b", folder.File("big.txr"), folder.File("old.bmp")}, 4096), 0);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"big.txr", "old.bmp"}));
    EXPECT_EQ(ReadBytes(folder.File("old.bmp")), (Bytes{'o', 'l', 'd'}));
    // Without the limit the same conversion succeeds.
    EXPECT_EQ(RunWithFileSizeLimit({"/b", folder.File("big.txr"), folder.File("old.bmp")}, RLIM_INFINITY), 0);
    EXPECT_EQ(ReadBytes(folder.File("old.bmp")), ExpectedBmp(t));
}

TEST(ConverterProgram, NoSwitchPrintsUsageAndExitsWithTwo) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, std::vector<std::string>{"a.txr", "/b"},
          std::vector<std::string>{"/x", "a"}}) {
        const ProgramResult result = RunConverter(arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.standardOutput, "");
        EXPECT_EQ(result.standardError.rfind("usage: pieceviewer ", 0), 0u) << result.standardError;
        EXPECT_EQ(std::count(result.standardError.begin(), result.standardError.end(), '\n'), 1);
    }
}

#endif

} // namespace
