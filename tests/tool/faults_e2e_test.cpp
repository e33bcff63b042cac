// The real piecetool of this build under faults: two runs into the same
// folders at once, a write that fails, and (on Linux, through strace) a run
// killed at each step that changes its folders.
#include "builders/bmp_builder.h"
#include "builders/fault_catalogue.h"
#include "common/file_io.h"
#include "support/run_program.h"
#include "support/scratch.h"
#include "support/wine_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using Tree = std::map<std::string, std::string>;

ProgramResult Piecetool(const Args& arguments) {
    ProgramResult result = RunProgram(PiecetoolUnderTest(), arguments);
    EXPECT_TRUE(result.started) << PiecetoolUnderTest();
    std::erase(result.standardOutput, '\r');
    return result;
}

// Two runs started together; each one's result.
std::pair<ProgramResult, ProgramResult> RunTogether(const Args& first, const Args& second) {
    ProgramResult a;
    std::thread other([&] { a = Piecetool(first); });
    ProgramResult b = Piecetool(second);
    other.join();
    return {a, b};
}

void SetLockWait(const char* milliseconds) {
#ifdef _WIN32
    _putenv_s("PIECETOOL_LOCK_WAIT_MS", milliseconds);
#else
    setenv("PIECETOOL_LOCK_WAIT_MS", milliseconds, 1);
#endif
}

// The generated catalogue, and two of its pieces exported: "a_good" with two
// textures, "m_shift_jis" with one.
struct Models {
    ScratchFolder scratch;
    std::string two = scratch.File("glb/a_good.glb");
    std::string one = scratch.File("glb/m_shift_jis.glb");
    Models() {
        WriteFaultCatalogue(scratch.Path().string());
        EXPECT_EQ(Piecetool({"export", scratch.File("profiles"), scratch.File("models"),
                             scratch.File("textures"), scratch.File("glb"), "--piece", "a_good",
                             "--piece", "m_shift_jis"})
                      .exitCode,
                  0);
    }
    Args Catalogue() const {
        return {scratch.File("profiles"), scratch.File("models"), scratch.File("textures")};
    }
    // Three empty catalogue folders below `name`.
    Args NewCatalogue(const std::string& name) const {
        Args folders;
        for (const char* folder : {"p", "m", "t"}) {
            folders.push_back(scratch.File(name + "/" + folder));
            fs::create_directories(folders.back());
        }
        return folders;
    }
    Tree TreeOf(const std::string& name) const { return FileTree(scratch.Path() / name); }
};

// `import MODEL FOLDERS --file box --force`.
Args ImportBox(const std::string& model, const Args& folders) {
    Args args = {"import", model};
    args.insert(args.end(), folders.begin(), folders.end());
    args.insert(args.end(), {"--file", "box", "--force"});
    return args;
}

Args Site(const Args& catalogue, const std::string& outDir) {
    Args args = {"site"};
    args.insert(args.end(), catalogue.begin(), catalogue.end());
    args.push_back(outDir);
    return args;
}

bool Refused(const ProgramResult& result) {
    return result.exitCode == 1 && Has(result.standardError, "folder-busy: the folder ") &&
           Has(result.standardError, "is being written by another run");
}

// Two imports of one piece (its stem), one with two textures and one with
// one, started together again and again: the piece is one of them whole,
// and each run succeeded or, given no time to wait, was refused.
TEST(PiecetoolFaults, TwoImportsOfOnePieceAtOnceLeaveOneOfThemWhole) {
    const Models models;
    ASSERT_EQ(Piecetool(ImportBox(models.two, models.NewCatalogue("two"))).exitCode, 0);
    ASSERT_EQ(Piecetool(ImportBox(models.one, models.NewCatalogue("one"))).exitCode, 0);
    const Tree two = models.TreeOf("two");
    const Tree one = models.TreeOf("one");
    ASSERT_EQ(two.size(), 4u);
    ASSERT_EQ(one.size(), 3u);
    for (int trial = 0; trial < 8; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        const bool wait = trial % 2 == 0;
        SetLockWait(wait ? "20000" : "0");
        const std::string name = "both" + std::to_string(trial);
        const Args folders = models.NewCatalogue(name);
        const auto [a, b] =
            RunTogether(ImportBox(models.two, folders), ImportBox(models.one, folders));
        for (const ProgramResult* run : {&a, &b}) {
            EXPECT_TRUE(run->exitCode == 0 || (!wait && Refused(*run))) << run->standardError;
        }
        EXPECT_TRUE(a.exitCode == 0 || b.exitCode == 0);
        const Tree both = models.TreeOf(name);
        EXPECT_TRUE(both == two || both == one) << both.size() << " files";
    }
    SetLockWait("20000");
}

// Two sites of different catalogues into one folder at once, then one of
// them alone: the site is exactly what a single run writes into an empty
// folder, after the pair already what one of them wrote.
TEST(PiecetoolFaults, TwoSitesAtOnceThenOneAloneLeaveWhatTheLastRunWrote) {
    const Models models;
    const Args box = models.NewCatalogue("box");
    ASSERT_EQ(Piecetool(ImportBox(models.one, box)).exitCode, 0);
    Piecetool(Site(models.Catalogue(), models.scratch.File("alone/many")));
    ASSERT_EQ(Piecetool(Site(box, models.scratch.File("alone/box"))).exitCode, 0);
    const Tree many = models.TreeOf("alone/many");
    const Tree one = models.TreeOf("alone/box");
    ASSERT_GT(many.size(), one.size());
    for (int trial = 0; trial < 4; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        SetLockWait(trial % 2 == 0 ? "20000" : "0");
        const std::string out = models.scratch.File("site" + std::to_string(trial));
        const auto [a, b] = RunTogether(Site(models.Catalogue(), out), Site(box, out));
        EXPECT_FALSE(Refused(a) && Refused(b));
        const Tree pair = models.TreeOf("site" + std::to_string(trial));
        EXPECT_TRUE(pair == many || pair == one) << pair.size() << " files";
        SetLockWait("20000");
        EXPECT_EQ(Piecetool(Site(box, out)).exitCode, 0);
        EXPECT_EQ(models.TreeOf("site" + std::to_string(trial)), one);
    }
}

// A site file that cannot be written is a failure line, and the summary
// counts it among the errors.
TEST(PiecetoolFaults, SiteCountsTheFilesItCouldNotWriteAmongItsErrors) {
    const Models models;
    const Args box = models.NewCatalogue("box");
    ASSERT_EQ(Piecetool(ImportBox(models.one, box)).exitCode, 0);
    const std::string out = models.scratch.File("site");
    fs::create_directories(out + "/site.css");
    fs::create_directories(out + "/index.html");
    const ProgramResult site = Piecetool(Site(box, out));
    EXPECT_EQ(site.exitCode, 1);
    EXPECT_TRUE(Has(site.standardOutput, "error write-failed: ")) << site.standardOutput;
    EXPECT_TRUE(Has(site.standardOutput, "1 pieces written to ")) << site.standardOutput;
    EXPECT_TRUE(Has(site.standardOutput, ", 2 errors, 0 warnings\n")) << site.standardOutput;
}

// Each writer, the single-file converter too, first removes from the folder
// it writes the temporaries that dead runs left, and never one that a live
// process (this test, here) holds while it writes.
TEST(PiecetoolFaults, AWriterRemovesTheTemporariesOfDeadRunsOnlyWhereItWrites) {
    ScratchFolder scratch;
    fs::create_directory(scratch.Path() / "out");
    fs::create_directory(scratch.Path() / "elsewhere");
    WriteBytes(scratch.File("a.bmp"), BuildBmp(Plain24(4, 4)));
    OutputFile live;
    ASSERT_TRUE(BeginOutputFile(live, scratch.File("out/held.txr").c_str()));
    const std::string held = fs::path(live.tempPath).filename().string();
    const struct {
        Args run;
        std::string program;
    } cases[] = {
        {{"/t", scratch.File("a.bmp"), scratch.File("out/a.txr")}, ProgramUnderTest()},
        {{"/b", scratch.File("out/a.txr"), scratch.File("out/b.bmp")}, ProgramUnderTest()},
        {{"convert", scratch.File("out/a.txr"), "--out", scratch.File("out"), "--to", "png"},
         PiecetoolUnderTest()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.run[0]);
        for (const char* folder : {"out/", "elsewhere/"}) {
            WriteBytes(scratch.File(std::string(folder) + ".~pv99999-7.tmp"), {1});
        }
        EXPECT_EQ(RunProgram(c.program, c.run).exitCode, 0);
        EXPECT_FALSE(fs::exists(scratch.Path() / "out" / ".~pv99999-7.tmp"));
        EXPECT_TRUE(fs::exists(scratch.Path() / "out" / held));
        EXPECT_TRUE(fs::exists(scratch.Path() / "elsewhere" / ".~pv99999-7.tmp"));
    }
    AbandonOutputFile(live);
}

// import --force of the one-texture piece over the two-texture one in the
// folders "box", made afresh with the old piece before each run that is cut
// short. After such a run, until the next import, check reports the import
// as cut short exactly when its journal is there (else the piece is whole,
// old or new, and nothing is left but the dead run's lock and temporaries);
// the same import again gives the new piece whole and nothing else.
struct CutShortImport {
    const Models& models;
    Args folders = models.NewCatalogue("box");
    Tree old;
    Tree fresh;
    explicit CutShortImport(const Models& m) : models(m) {
        EXPECT_EQ(Piecetool(ImportBox(models.two, models.NewCatalogue("old"))).exitCode, 0);
        EXPECT_EQ(Piecetool(ImportBox(models.one, models.NewCatalogue("new"))).exitCode, 0);
        old = models.TreeOf("old");
        fresh = models.TreeOf("new");
    }
    Args Run() const { return ImportBox(models.one, folders); }
    void Prepare() const {
        fs::remove_all(models.scratch.Path() / "box");
        fs::copy(models.scratch.Path() / "old", models.scratch.Path() / "box",
                 fs::copy_options::recursive);
    }
    void Judge() const {
        Tree left = models.TreeOf("box");
        std::erase_if(left, [](const auto& file) {
            return file.first.ends_with("/.~pvlock") ||
                   (file.first.find("/.~pv") != std::string::npos && file.first.ends_with(".tmp"));
        });
        const bool journal = std::any_of(left.begin(), left.end(), [](const auto& file) {
            return file.first.starts_with("p/.~pv") && !file.first.ends_with(".tmp");
        });
        Args check = {"check"};
        check.insert(check.end(), folders.begin(), folders.end());
        const ProgramResult checked = Piecetool(check);
        EXPECT_EQ(Has(checked.standardOutput, "error import-interrupted"), journal)
            << checked.standardOutput;
        EXPECT_EQ(checked.exitCode, journal ? 1 : 0);
        if (!journal) {
            EXPECT_TRUE(left == old || left == fresh) << left.size() << " files";
        }
        const ProgramResult again = Piecetool(Run());
        EXPECT_EQ(again.exitCode, 0) << again.standardError;
        EXPECT_EQ(models.TreeOf("box"), fresh);
    }
};

// The real piecetool stopped dead at each step of the import's group write
// in turn (piecetool_stopped), in both builds.
TEST(PiecetoolFaults, AnImportStoppedDeadAtEachStepIsPutRightByTheNextImport) {
    const Models models;
    const CutShortImport import(models);
#ifdef _WIN32
    const std::string stopped = WinePath(PV_PIECETOOL_STOPPED_PATH);
#else
    const std::string stopped = PV_PIECETOOL_STOPPED_PATH;
#endif
    std::size_t step = 0;
    for (; step < 100; ++step) {
        SCOPED_TRACE("stopped at step " + std::to_string(step));
        import.Prepare();
        Args run = import.Run();
        run.insert(run.begin(), std::to_string(step));
        const ProgramResult result = RunProgram(stopped, run);
        if (result.exitCode == 0) {
            EXPECT_EQ(models.TreeOf("box"), import.fresh);
            break;
        }
        ASSERT_EQ(result.exitCode, 99) << result.standardError;
        import.Judge();
    }
    EXPECT_EQ(step, 18u);
}

#ifndef _WIN32
// Each system call of `calls` that changes the folders, in turn, kills the
// run (strace injects SIGKILL at its K-th call, K = 1, 2, ... until a run
// makes fewer such calls). Returns the number of runs killed.
template <typename Prepare, typename Judge>
int KillAtEachCall(const std::string& calls, const Args& run, Prepare prepare, Judge judge) {
    int killed = 0;
    for (int k = 1; k < 100; ++k) {
        SCOPED_TRACE(calls + " number " + std::to_string(k));
        prepare();
        const std::string inject = calls + ":signal=SIGKILL:when=" + std::to_string(k);
        // The leak check of a sanitizer build cannot run under a tracer.
        const char* asan = std::getenv("ASAN_OPTIONS");
        const std::string options = std::string(asan != nullptr ? asan : "") + ":detect_leaks=0";
        Args traced = {"-f", "-qq",
                       "-o", "/dev/null",
                       "-E", "ASAN_OPTIONS=" + options,
                       "-e", "trace=" + calls,
                       "-e", "inject=" + inject};
        traced.push_back(PiecetoolUnderTest());
        traced.insert(traced.end(), run.begin(), run.end());
        const ProgramResult result = RunProgram("/usr/bin/strace", traced);
        if (result.exitCode == 0) {
            return killed;
        }
        ++killed;
        judge();
    }
    ADD_FAILURE() << "never ran to its end";
    return killed;
}

// The real piecetool killed by SIGKILL at each rename and each removal: an
// import as above; a site run followed by one that leaves exactly a fresh
// site.
TEST(PiecetoolFaults, ARunKilledAtEachStepIsPutRightByTheNextRun) {
    if (!fs::exists("/usr/bin/strace")) {
        GTEST_SKIP() << "strace is missing (Debian's strace package): runs cannot be killed "
                        "at each step";
    }
    const Models models;
    const CutShortImport import(models);
    const Args folders = import.folders;
    int killed = 0;
    for (const char* calls : {"rename", "renameat2", "unlink"}) {
        killed += KillAtEachCall(
            calls, import.Run(), [&] { import.Prepare(); }, [&] { import.Judge(); });
    }
    EXPECT_GE(killed, 15);

    const Args site = Site(folders, models.scratch.File("site"));
    ASSERT_EQ(Piecetool(Site(folders, models.scratch.File("fresh-site"))).exitCode, 0);
    const Tree freshSite = models.TreeOf("fresh-site");
    const auto again = [&] {
        EXPECT_EQ(Piecetool(site).exitCode, 0);
        EXPECT_EQ(models.TreeOf("site"), freshSite);
    };
    EXPECT_GE(KillAtEachCall(
                  "rename", site, [] {}, again),
              6);
}
#endif

} // namespace
