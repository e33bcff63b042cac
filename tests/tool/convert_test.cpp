// piecetool convert, below the command line: directions, planned names,
// PNG input against the bitmap converter, refusals, failed writes, order.
#include "support/bmp_builder.h"
#include "support/png_builder.h"
#include "support/txr_builder.h"
#include "texture/bmp_to_txr.h"
#include "tool/convert_plan.h"
#include "tool/file_conversion.h"
#include "tool/ordered_pool.h"
#include "tool/png_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using T = ConvertTarget;

int Pattern(int x, int y, int c) {
    return (x * 37 + y * 91 + c * 53 + x * y) & 0xFF;
}

TEST(ConvertDirection, ExtensionAndToChooseTheOutput) {
    const struct {
        const char* name;
        std::optional<T> to;
        std::optional<T> expected;
    } cases[] = {
        {"a.BMP", {}, T::Txr},     {"a.Dib", T::Txr, T::Txr}, {"a.png", {}, T::Txr},
        {"a.PNG", T::Png, {}},     {"a.bmp", T::Bmp, {}},     {"x.TXR", {}, T::Bmp},
        {"x.txr", T::Png, T::Png}, {"x.txr", T::Bmp, T::Bmp}, {"x.txr", T::Txr, {}},
        {"a.jpg", {}, {}},         {"bmp", {}, {}},           {"a.bmp.txt", {}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TargetFor(KindOfName(c.name), c.to), c.expected) << c.name;
    }
}

// "input>output" per planned job, relative to `root`; problems appended.
std::vector<std::string> Planned(const ConvertPlan& plan, const fs::path& root) {
    std::vector<std::string> jobs;
    for (const ConvertJob& job : plan.jobs) {
        jobs.push_back(job.input.lexically_relative(root).generic_string() + ">" +
                       job.output.lexically_relative(root).generic_string() + job.problem);
    }
    return jobs;
}

TEST(ConvertPlan, NamesBesideTheInputOrMirroredUnderOut) {
    ScratchFolder folder;
    const fs::path root = folder.Path();
    for (const char* name :
         {"in/b.png", "in/a.BMP", "in/c.txr", "in/notes.txt", "in/maps.old/d.dib",
          "in/maps.old/e.txr", "clash/x.bmp", "clash/x.png", "loop/y.txr", "loop/y.bmp"}) {
        fs::create_directories((root / name).parent_path());
        WriteBytes((root / name).string(), {});
    }
    const std::string in = (root / "in").string();
    const std::string out = (root / "o").string();
    const struct {
        ConvertRequest request;
        std::vector<std::string> expected;
    } cases[] = {
        {{{in + "/"}, {}, {}, false},
         {"in/a.BMP>in/a.txr", "in/b.png>in/b.txr", "in/c.txr>in/c.bmp"}},
        {{{in}, T::Png, out, true}, {"in/c.txr>o/c.png", "in/maps.old/e.txr>o/maps.old/e.png"}},
        {{{in + "/maps.old/d.dib"}, {}, out, false}, {"in/maps.old/d.dib>o/d.txr"}},
        {{{in}, T::Txr, {}, true},
         {"in/a.BMP>in/a.txr", "in/b.png>in/b.txr", "in/maps.old/d.dib>in/maps.old/d.txr"}},
        {{{(root / "clash").string()}, {}, {}, false},
         {"clash/x.bmp>clash/x.txr",
          "clash/x.png>clash/x.txr  an earlier input has the same output"}},
        {{{(root / "loop").string()}, {}, {}, false},
         {"loop/y.bmp>loop/y.txr  the output is also an input of this run",
          "loop/y.txr>loop/y.bmp  the output is also an input of this run"}},
    };
    for (const auto& c : cases) {
        const ConvertPlan plan = PlanConversions(c.request);
        EXPECT_EQ(plan.usageError, "");
        EXPECT_EQ(Planned(plan, root), c.expected) << c.request.inputs[0];
    }
    for (const ConvertRequest& bad : {ConvertRequest{{in + "/c.txr"}, T::Txr, {}, false},
                                      ConvertRequest{{in + "/a.BMP"}, T::Png, {}, false},
                                      ConvertRequest{{in + "/notes.txt"}, {}, {}, false},
                                      ConvertRequest{{in + "/missing.bmp"}, {}, {}, false}}) {
        EXPECT_NE(PlanConversions(bad).usageError, "") << bad.inputs[0] << " is a usage error";
    }
}

struct Picture {
    const char* name;
    TestPng png;
    TestBitmap bmp; // the same picture as a bitmap
    bool flatten = false;
};

TestPng Png(int type, int depth, std::function<int(int, int, int)> sample, int w = 8, int h = 4) {
    TestPng p;
    p.width = w;
    p.height = h;
    p.colourType = type;
    p.bitDepth = depth;
    p.sample = std::move(sample);
    return p;
}

TestBitmap Bmp24(std::function<int(int, int, int)> rgb, int w = 8, int h = 4) {
    TestBitmap b = Plain24(w, h);
    b.pixel = [rgb](int x, int y, int c) { return static_cast<std::uint8_t>(rgb(x, y, 2 - c)); };
    return b;
}

std::vector<Picture> SamePictures() {
    std::vector<Picture> pictures;
    const auto paletteColour = [](int k, int c) { return (k * 29 + c * 71) & 0xFF; };
    for (int depth : {8, 4}) {
        TestPng png =
            Png(3, depth, [depth](int x, int y, int) { return (x + 3 * y) % (1 << depth); });
        for (int k = 0; k < (1 << depth); ++k) {
            png.palette.push_back({static_cast<std::uint8_t>(paletteColour(k, 0)),
                                   static_cast<std::uint8_t>(paletteColour(k, 1)),
                                   static_cast<std::uint8_t>(paletteColour(k, 2))});
        }
        TestBitmap bmp = Plain8(8, 4);
        bmp.pixel = [png](int x, int y, int) {
            return static_cast<std::uint8_t>(png.sample(x, y, 0));
        };
        bmp.tableByte = [paletteColour](int k, int c) {
            return static_cast<std::uint8_t>(paletteColour(k, 2 - c));
        };
        pictures.push_back({depth == 8 ? "paletted" : "paletted 4-bit", png, bmp});
    }
    pictures.push_back({"truecolour", Png(2, 8, Pattern), Bmp24(Pattern)});
    pictures.push_back({"grey", Png(0, 8, [](int x, int y, int) { return Pattern(x, y, 0); }),
                        Bmp24([](int x, int y, int) { return Pattern(x, y, 0); })});
    // 16-bit samples keep their high byte.
    pictures.push_back({"grey 16-bit",
                        Png(0, 16, [](int x, int y, int) { return Pattern(x, y, 0) * 256 + x; }),
                        Bmp24([](int x, int y, int) { return Pattern(x, y, 0); })});
    pictures.push_back(
        {"truecolour 16-bit",
         Png(2, 16, [](int x, int y, int c) { return Pattern(x, y, c) << 8 | 0xFF; }),
         Bmp24(Pattern)});
    pictures.push_back(
        {"opaque alpha",
         Png(6, 8, [](int x, int y, int c) { return c == 3 ? 255 : Pattern(x, y, c); }),
         Bmp24(Pattern)});
    // Flattened onto black: each channel times alpha / 255, rounded.
    pictures.push_back(
        {"flattened",
         Png(
             6, 8, [](int x, int y, int c) { return c == 3 ? Pattern(y, x, 1) : Pattern(x, y, c); },
             32, 32),
         Bmp24(
             [](int x, int y, int c) { return (Pattern(x, y, c) * Pattern(y, x, 1) + 127) / 255; },
             32, 32),
         true});
    return pictures;
}

ConvertJob Job(const std::string& input, const std::string& output, InputKind kind, T target) {
    ConvertJob job;
    job.input = input;
    job.output = output;
    job.kind = kind;
    job.target = target;
    return job;
}

TEST(ConvertFile, PngGivesTheSameTextureAsTheBitmapOfTheSamePicture) {
    ScratchFolder folder;
    for (const Picture& p : SamePictures()) {
        WriteBytes(folder.File("p.bmp"), BuildBmp(p.bmp));
        WriteBytes(folder.File("p.png"), BuildPng(p.png));
        ASSERT_TRUE(ConvertBmpToTxr(folder.File("p.bmp").c_str(), folder.File("bmp.txr").c_str()));
        const FileOutcome outcome =
            ConvertFile(Job(folder.File("p.png"), folder.File("png.txr"), InputKind::Png, T::Txr),
                        {true, p.flatten});
        EXPECT_EQ(outcome.status, FileStatus::Converted) << p.name;
        EXPECT_EQ(ReadBytes(folder.File("png.txr")), ReadBytes(folder.File("bmp.txr"))) << p.name;
    }
}

TEST(ConvertFile, RefusalsNameTheirReasonAndWriteNothing) {
    TestPng transparent = Png(6, 8, [](int x, int, int c) { return c == 3 && x == 1 ? 200 : 255; });
    TestPng keyed = Png(2, 8, Pattern);
    keyed.transparency = {0, static_cast<std::uint8_t>(Pattern(0, 0, 0)),
                          0, static_cast<std::uint8_t>(Pattern(0, 0, 1)),
                          0, static_cast<std::uint8_t>(Pattern(0, 0, 2))};
    Bytes cut = BuildPng(Png(2, 8, Pattern, 64, 64));
    cut.resize(cut.size() / 2);
    const std::string alpha(PngRefusalLine(PngRefusal::Alpha));
    const std::string unreadable(PngRefusalLine(PngRefusal::Unreadable));
    const struct {
        const char* name;
        Bytes file;
        std::string expected;
    } cases[] = {
        {"transparent pixel", BuildPng(transparent), alpha},
        {"colour key", BuildPng(keyed), alpha},
        {"not a PNG", Bytes{'B', 'M', 0, 0}, unreadable},
        {"truncated", cut, unreadable},
        {"side of 6", BuildPng(Png(2, 8, Pattern, 6, 4)),
         std::string(TxrRefusalLines(TxrRefusal::Side)[0])},
    };
    for (const auto& c : cases) {
        ScratchFolder folder;
        WriteBytes(folder.File("p.png"), c.file);
        const FileOutcome outcome = ConvertFile(
            Job(folder.File("p.png"), folder.File("p.txr"), InputKind::Png, T::Txr), {});
        EXPECT_EQ(outcome.status, FileStatus::Failed) << c.name;
        EXPECT_EQ(outcome.lines, std::vector<std::string>{c.expected}) << c.name;
        EXPECT_EQ(folder.Entries(), std::vector<std::string>{"p.png"})
            << c.name << ": nothing written";
    }
}

TEST(ConvertFile, ExistingOutputsAreSkippedOrReplacedWithForceAndKeptOnAFailedWrite) {
    TestTexture texture{8, 8, 8, 1, PatternPixel, PatternPaletteByte};
    const struct {
        const char* input;
        const char* output;
        InputKind kind;
        T target;
    } cases[] = {
        {"t.txr", "t.bmp", InputKind::Txr, T::Bmp},
        {"t.txr", "t.png", InputKind::Txr, T::Png},
        {"p.png", "p.txr", InputKind::Png, T::Txr},
        {"b.bmp", "b.txr", InputKind::Bitmap, T::Txr},
    };
    for (const auto& c : cases) {
        ScratchFolder folder;
        WriteBytes(folder.File("t.txr"), BuildTxr(texture));
        WriteBytes(folder.File("p.png"), BuildPng(Png(2, 8, Pattern)));
        WriteBytes(folder.File("b.bmp"), BuildBmp(Plain8(8, 8)));
        const ConvertJob job = Job(folder.File(c.input), folder.File(c.output), c.kind, c.target);
        WriteBytes(folder.File(c.output), {'o', 'l', 'd'});
        EXPECT_EQ(ConvertFile(job, {}).status, FileStatus::Skipped) << c.output;
        EXPECT_EQ(ReadBytes(folder.File(c.output)), (Bytes{'o', 'l', 'd'})) << c.output;
        EXPECT_EQ(ConvertFile(job, {true, false}).status, FileStatus::Converted) << c.output;
        EXPECT_GT(ReadBytes(folder.File(c.output)).size(), 3u) << c.output << " replaced";
        // An output that cannot be replaced (a folder of that name) fails the
        // file and leaves no temporary or partial file behind.
        fs::remove(folder.File(c.output));
        fs::create_directories(fs::path(folder.File(c.output)) / "keep");
        const auto before = folder.Entries();
        const FileOutcome failed = ConvertFile(job, {true, false});
        EXPECT_EQ(failed.status, FileStatus::Failed) << c.output;
        EXPECT_FALSE(failed.lines.empty()) << c.output << ": a reason is given";
        EXPECT_EQ(folder.Entries(), before) << c.output;
        EXPECT_TRUE(fs::is_directory(fs::path(folder.File(c.output)) / "keep")) << c.output;
    }
}

TEST(RunInOrder, ReportsInItemOrderWhateverTheCompletionOrderWithinTheWindow) {
    constexpr std::size_t kCount = 60;
    constexpr std::size_t kWindow = 6;
    std::atomic<std::size_t> reported{0};
    std::atomic<int> outOfWindow{0};
    std::vector<std::size_t> order;
    RunInOrder<std::size_t>(
        kCount, 4, kWindow,
        [&](std::size_t i) {
            if (i >= reported.load() + kWindow) {
                ++outOfWindow;
            }
            // Early items finish last.
            std::this_thread::sleep_for(std::chrono::milliseconds(i % 4 == 0 ? 6 : 0));
            return i * 10;
        },
        [&](std::size_t i, std::size_t result) {
            EXPECT_EQ(result, i * 10) << "each item's own result";
            order.push_back(i);
            ++reported;
        });
    std::vector<std::size_t> expected(kCount);
    for (std::size_t i = 0; i < kCount; ++i) {
        expected[i] = i;
    }
    EXPECT_EQ(order, expected);
    EXPECT_EQ(outOfWindow.load(), 0) << "no item starts more than the window ahead of the report";
}

} // namespace
