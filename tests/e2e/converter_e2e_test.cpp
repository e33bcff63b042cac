// The real converter binary of this build, run as a user runs it.
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

TEST(ConverterProgram, TextureSwitchRunsAndExitsWithZero) {
    ScratchFolder folder;
    const ProgramResult result = RunConverter({"/t", folder.File("pic.dib")});
    EXPECT_EQ(result.exitCode, 0);
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

TEST(ConverterProgram, TailWithoutSwitchStartsTheViewerPath) {
    ScratchFolder folder;
    WriteBytes(folder.File("a.txr"), BuildTxr(Texture(4, 4, 24)));
    const ProgramResult result = RunProgramWithTail(ProgramUnderTest(), folder.File("a.txr") + " /b");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"a.txr"});
}

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
