// The real programs of this build in folders that others may have tampered
// with and under the limits of the system: a link inside an output folder, a
// texture cut short while it is read, a file size limit, file names that are
// no text. Nothing outside the named folders may change, and no signal may
// end a run.
#include "builders/txr_builder.h"
#include "support/run_program.h"
#include "support/scratch.h"
#include "support/wine_path.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>
#include <map>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

#ifndef _WIN32

const std::string kSamples = PV_SAMPLES_FOLDER;

ProgramResult Piecetool(const Args& arguments, long fileSizeLimit = -1) {
    ProgramResult result = RunProgram(PiecetoolUnderTest(), arguments, fileSizeLimit);
    EXPECT_TRUE(result.started) << "ended by a signal: " << arguments[0];
    return result;
}

Args OnSamples(const std::string& command, const Args& more) {
    Args args = {command, kSamples + "/profiles", kSamples + "/models", kSamples + "/textures"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// Every file below `folder` with its bytes (a folder: none).
std::map<std::string, Bytes> Contents(const fs::path& folder) {
    std::map<std::string, Bytes> files;
    for (const std::string& name : FolderEntries(folder, true)) {
        const std::string path = (folder / name).string();
        files[name] = fs::is_regular_file(path) ? ReadBytes(path) : Bytes{};
    }
    return files;
}

TEST(HostileFolders, NoCommandWritesOrRemovesThroughALinkInsideItsOutputFolder) {
    ScratchFolder scratch;
    const std::string in = scratch.File("in"), glb = scratch.File("glb");
    fs::create_directories(in + "/sub");
    WriteBytes(in + "/sub/a.txr", BuildTxr({8, 8, 24, 1, PatternPixel, {}}));
    ASSERT_EQ(Piecetool(OnSamples("export", {glb, "--piece", "brick_cube"})).exitCode, 0);
    const Args site = OnSamples("site", {"OUT"});
    const Args import = {"import", glb + "/brick_cube.glb", "OUT/p", "OUT/m", "OUT/t", "--force"};
    const Args convert = {"convert", "-r", in, "--out", "OUT", "-f"};
    // Each command is run once into a clean OUT; then the folder or file
    // `linked` below it moves outside, a link to it in its place, and the
    // command runs again.
    const std::pair<Args, std::string> cases[] = {
        {site, "pieces"},
        {site, "pieces/brick_cube.html"},
        {site, "index.html"},
        {convert, "sub"},
        {convert, "sub/a.bmp"},
        {{"convert", "OUT/a.txr", "-f"}, "a.bmp"},
        {OnSamples("render", {"OUT"}), "brick_cube.png"},
        {OnSamples("export", {"OUT"}), "brick_cube.glb"},
        {import, "p/brick_cube.prt"},
        {import, "m/brick_cube.msm"},
    };
    const std::string out = scratch.File("out"), outside = scratch.File("outside");
    for (const auto& [command, linked] : cases) {
        SCOPED_TRACE(command[0] + " " + linked);
        Args args = command;
        for (std::string& arg : args) {
            arg = arg.starts_with("OUT") ? out + arg.substr(3) : arg;
        }
        fs::remove_all(out);
        fs::remove_all(outside);
        fs::create_directories(outside);
        for (const char* folder : {"/p", "/m", "/t"}) {
            fs::create_directories(out + folder);
        }
        fs::copy_file(in + "/sub/a.txr", out + "/a.txr");
        ASSERT_EQ(Piecetool(args).exitCode, 0);
        const std::string link = out + "/" + linked;
        const fs::path target = fs::path(outside) / fs::path(link).filename();
        fs::rename(link, target);
        fs::create_symlink(target, link);
        for (const auto& [name, bytes] : Contents(outside)) {
            if (!bytes.empty()) {
                WriteBytes(outside + "/" + name, Bytes{'o', 'l', 'd'}); // no run writes these
            }
        }
        const auto before = Contents(outside);
        const ProgramResult result = Piecetool(args);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(Has(result.standardOutput + result.standardError,
                        link + " is a symbolic link or junction"))
            << result.standardOutput << result.standardError;
        EXPECT_EQ(Contents(outside), before);
    }
}

TEST(HostileFolders, SiteTakesOnlyItsOwnNamesFromATamperedManifest) {
    ScratchFolder scratch;
    const std::string out = scratch.File("site");
    WriteBytes(scratch.File("x.html"), Bytes{'x'});
    ASSERT_EQ(Piecetool(OnSamples("site", {out})).exitCode, 0);
    std::ofstream(out + "/piecetool-site.txt", std::ios::app)
        << "../x.html\n" + scratch.File("x.html") + "\npieces/../../x.html\n";
    EXPECT_EQ(Piecetool(OnSamples("site", {out})).exitCode, 0);
    EXPECT_EQ(scratch.Entries(), (std::vector<std::string>{"site", "x.html"}));
}

// Runs `program` under strace, stopped by SIGSTOP just after its first call of
// `call` on `input`; `whileStopped` runs then, and the program goes on.
// Returns the exit code, or -1 when a signal ended the program.
int RunStoppedAt(const Args& program, const std::string& call, const std::string& input,
                 const std::function<void()>& whileStopped) {
    const ScratchFolder logs;
    const std::string log = logs.File("strace");
    Args args = {"strace", "-f",
                 "-o",     log,
                 "-P",     input,
                 "-e",     "trace=" + call,
                 "-e",     "inject=" + call + ":signal=SIGSTOP:when=1"};
    args.insert(args.end(), program.begin(), program.end());
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        dup2(open("/dev/null", O_WRONLY), 1);
        // The leak check of a sanitizer build cannot run under a tracer.
        const char* asan = std::getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS",
               (std::string(asan != nullptr ? asan : "") + ":detect_leaks=0").c_str(), 1);
        execvp("strace", argv.data());
        _exit(127);
    }
    // The log names the stopped process: "PID --- stopped by SIGSTOP ---".
    pid_t stopped = 0;
    while (stopped == 0 && waitpid(child, nullptr, WNOHANG) == 0) {
        std::ifstream lines(log);
        for (std::string line; std::getline(lines, line);) {
            if (line.find("--- stopped by SIGSTOP ---") != std::string::npos) {
                stopped = std::stoi(line);
            }
        }
        usleep(2000); // a poll of the log, not a wait for the program
    }
    if (stopped != 0) {
        whileStopped();
        kill(stopped, SIGCONT);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return stopped != 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(HostileFolders, ATextureCutShortWhileItIsReadIsRefusedWithoutASignal) {
    if (std::system("strace -o /dev/null true >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "strace is not installed or may not trace here";
    }
    ScratchFolder folder;
    const std::string texture = folder.File("big.txr");
    // The calls that make the texture's bytes readable: its first bytes are
    // read, the rest is mapped.
    for (const char* call : {"pread64", "mmap"}) {
        for (const Args& program : {Args{ProgramUnderTest(), "/b", texture, folder.File("out.bmp")},
                                    Args{PiecetoolUnderTest(), "convert", texture, "-j", "2"}}) {
            SCOPED_TRACE(std::string(call) + " " + program[1]);
            WriteBytes(texture, BuildTxr({256, 256, 24, 1, PatternPixel, {}}));
            const int code =
                RunStoppedAt(program, call, texture, [&] { fs::resize_file(texture, 1000); });
            EXPECT_EQ(code, program[1] == "/b" ? 0 : 1);
            EXPECT_EQ(folder.Entries(), std::vector<std::string>{"big.txr"});
        }
    }
}

TEST(HostileFolders, AFileSizeLimitFailsTheWriteLikeAFullDisk) {
    ScratchFolder folder;
    WriteBytes(folder.File("big.txr"), BuildTxr({256, 256, 24, 1, PatternPixel, {}}));
    const ProgramResult png = Piecetool({"convert", "--to", "png", folder.File("big.txr")}, 4096);
    EXPECT_EQ(png.exitCode, 1);
    EXPECT_TRUE(Has(png.standardOutput, "big.png: failed\n  cannot be written: File too large\n"))
        << png.standardOutput;
    const ProgramResult site = Piecetool(OnSamples("site", {folder.File("site")}), 20000);
    EXPECT_EQ(site.exitCode, 1);
    EXPECT_TRUE(Has(site.standardError + site.standardOutput, "write-failed"));
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"big.txr", "site"}));
    for (const std::string& name : FolderEntries(folder.File("site"), true)) {
        EXPECT_EQ(name.find(".~pv"), std::string::npos) << name;
    }
}

TEST(HostileFolders, ConvertAndCheckShowNamesThatAreNoTextAsEscapes) {
    ScratchFolder folder;
    WriteBytes(folder.File("a\nb\x80.txr"), BuildTxr({8, 8, 24, 1, PatternPixel, {}}));
    const ProgramResult convert = Piecetool({"convert", folder.File("a\nb\x80.txr")});
    EXPECT_TRUE(Has(convert.standardOutput,
                    "/a\\nb\\x80.txr -> " + folder.File("a\\nb\\x80.bmp") + "\n1 converted"))
        << convert.standardOutput;
    for (const char* sub : {"p", "m", "t"}) {
        fs::create_directories(folder.File(sub));
    }
    WriteBytes(folder.File("p/x\n\xff\x01.prt"), Bytes(10, 0));
    const Args check = {"check", folder.File("p"), folder.File("m"), folder.File("t")};
    EXPECT_TRUE(Has(Piecetool(check).standardOutput, "(x\\n\\xFF\\x01.prt)"));
    Args json = check;
    json.push_back("--json");
    const auto document = nlohmann::json::parse(Piecetool(json).standardOutput);
    EXPECT_EQ(document["findings"][0]["file"], "x\\n\\xFF\\x01.prt");
}

TEST(HostileFolders, TheSampleGeneratorTakesOptionsAsOptionsNeverAsAFolder) {
    ScratchFolder folder;
    const fs::path before = fs::current_path();
    fs::current_path(folder.Path());
    const ProgramResult help = RunProgram(PV_MAKE_SAMPLES_PATH, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.standardOutput, "usage: make_samples <samples folder>\n");
    const ProgramResult unknown = RunProgram(PV_MAKE_SAMPLES_PATH, {"--bogus"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.standardError,
              "unknown option --bogus\nusage: make_samples <samples folder>\n");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{}) << "nothing written";
    EXPECT_EQ(RunProgram(PV_MAKE_SAMPLES_PATH, {"--", "-samples"}).exitCode, 0);
    EXPECT_TRUE(fs::is_regular_file(folder.File("-samples/profiles/red_box.prt")));
    fs::current_path(before);
}

#else

// Wine makes no links, but shows those of the Linux file system that lead to
// a folder as reparse points; one that leads to a file it follows, so there
// the output replaces the link itself. make_links.sh has linked a folder or a
// file below each output folder to one outside.
TEST(HostileFolders, NoCommandWritesThroughAReparsePointInsideItsOutputFolder) {
    const std::string root = WinePath(PV_LINKS_FOLDER), samples = WinePath(PV_SAMPLES_FOLDER);
    const auto onSamples = [&](const char* command, const std::string& out) {
        return Args{command, samples + "\\profiles", samples + "\\models", samples + "\\textures",
                    root + out};
    };
    const struct {
        Args command;
        std::string link;
        bool refused;
    } cases[] = {
        {onSamples("site", "\\site"), "\\site\\pieces", true},
        {{"convert", "-r", root + "\\in", "--out", root + "\\out", "-f"}, "\\out\\sub", true},
        {onSamples("render", "\\render"), "\\render\\brick_cube.png", false},
    };
    const auto contents = [&] {
        std::vector<std::pair<std::string, Bytes>> files;
        for (const std::string& name : FolderEntries(root + "\\outside", true)) {
            const std::string path = root + "\\outside\\" + name;
            files.emplace_back(name, fs::is_regular_file(path) ? ReadBytes(path) : Bytes{});
        }
        return files;
    };
    const auto before = contents();
    ASSERT_EQ(before.size(), 5u) << "the set-up made the outside folder";
    for (const auto& c : cases) {
        const ProgramResult result = RunProgram(PiecetoolUnderTest(), c.command);
        EXPECT_EQ(result.exitCode, c.refused ? 1 : 0) << c.command[0];
        EXPECT_EQ(Has(result.standardOutput + result.standardError,
                      root + c.link + " is a symbolic link or junction"),
                  c.refused)
            << result.standardOutput << result.standardError;
        EXPECT_EQ(contents(), before) << c.command[0];
    }
}

#endif

} // namespace
