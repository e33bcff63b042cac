// piecetool convert, below the command line: directions, planned names, PNG
// input and output against the bitmap converter, refusals, failed writes, order.
#include "builders/bmp_builder.h"
#include "support/png_builder.h"
#include "builders/txr_builder.h"
#include "common/byte_order.h"
#include "texture/bmp_to_txr.h"
#include "tool/convert_plan.h"
#include "tool/file_conversion.h"
#include "tool/ordered_pool.h"
#include "png/picture_decoder.h"
#include "png/png_image.h"
#include "png/png_reader.h"
#include "texture/texture_pictures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <numeric>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;
using T = ConvertTarget;

std::uint8_t U8(int value) {
    return static_cast<std::uint8_t>(value);
}

// The bitmap converter's texture for folder/name.
Bytes BmpToTxr(const ScratchFolder& folder, const char* name) {
    EXPECT_TRUE(ConvertBmpToTxr(folder.File(name).c_str(), folder.File("bmp.txr").c_str()));
    return ReadBytes(folder.File("bmp.txr"));
}

int Pattern(int x, int y, int c) {
    return (x * 37 + y * 91 + c * 53 + x * y) & 0xFF;
}

// "input>output" per planned job, relative to `root`; problems appended.
std::vector<std::string> Planned(const ConvertPlan& plan, const fs::path& root) {
    std::vector<std::string> jobs;
    for (const ConvertJob& job : plan.jobs) {
        jobs.push_back(job.input.lexically_relative(root).generic_string() + ">" +
                       job.output.lexically_relative(root).generic_string() +
                       (job.problem ? " " + job.problem->code : ""));
    }
    return jobs;
}

// The direction by the extension in any case, --to choosing among the outputs
// that fit; names beside the input or mirrored under --out.
TEST(ConvertPlan, DirectionsAndNamesBesideTheInputOrMirroredUnderOut) {
    ScratchFolder folder;
    const fs::path root = folder.Path();
    for (const char* name : {"in/b.png", "in/a.BMP", "in/c.TXR", "in/notes.txt", "in/bmp",
                             "in/a.bmp.txt", "in/j.jpg", "in/maps.old/d.Dib", "in/maps.old/e.txr",
                             "clash/x.bmp", "clash/x.png", "loop/y.txr", "loop/y.bmp"}) {
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
         {"in/a.BMP>in/a.txr", "in/b.png>in/b.txr", "in/c.TXR>in/c.bmp"}},
        {{{in}, T::Png, out, true}, {"in/c.TXR>o/c.png", "in/maps.old/e.txr>o/maps.old/e.png"}},
        {{{in + "/maps.old/d.Dib"}, {}, out, false}, {"in/maps.old/d.Dib>o/d.txr"}},
        {{{in}, T::Txr, {}, true},
         {"in/a.BMP>in/a.txr", "in/b.png>in/b.txr", "in/maps.old/d.Dib>in/maps.old/d.txr"}},
        {{{(root / "clash").string()}, {}, {}, false},
         {"clash/x.bmp>clash/x.txr", "clash/x.png>clash/x.txr same-output"}},
        {{{(root / "loop").string()}, {}, {}, false},
         {"loop/y.bmp>loop/y.txr output-is-input", "loop/y.txr>loop/y.bmp output-is-input"}},
    };
    for (const auto& c : cases) {
        const ConvertPlan plan = PlanConversions(c.request);
        EXPECT_FALSE(plan.usageError) << plan.usageError->message;
        EXPECT_EQ(Planned(plan, root), c.expected) << c.request.inputs[0];
    }
}

struct Picture {
    const char* name;
    TestPng png;
    TestBitmap bmp; // the same picture as a bitmap
    bool flatten = false;
};

TestBitmap Bmp24(std::function<int(int, int, int)> rgb, int w = 8, int h = 4) {
    TestBitmap b = Plain24(w, h);
    b.pixel = [rgb](int x, int y, int c) { return U8(rgb(x, y, 2 - c)); };
    return b;
}

std::vector<Picture> SamePictures() {
    const auto grey = [](int x, int y, int) { return Pattern(x, y, 0); };
    std::vector<Picture> pictures = {
        {"truecolour", {8, 4, 2, 8, Pattern}, Bmp24(Pattern)},
        {"grey", {8, 4, 0, 8, grey}, Bmp24(grey)},
        // 16-bit samples keep their high byte.
        {"grey 16-bit",
         {8, 4, 0, 16, [](int x, int y, int) { return Pattern(x, y, 0) * 256 + x; }},
         Bmp24(grey)},
        {"truecolour 16-bit",
         {8, 4, 2, 16, [](int x, int y, int c) { return Pattern(x, y, c) << 8 | 0xFF; }},
         Bmp24(Pattern)},
        {"opaque alpha",
         {8, 4, 6, 8, [](int x, int y, int c) { return c == 3 ? 255 : Pattern(x, y, c); }},
         Bmp24(Pattern)},
        // Flattened onto black: each channel times alpha / 255, rounded.
        {"flattened",
         {32, 32, 6, 8,
          [](int x, int y, int c) { return c == 3 ? Pattern(y, x, 1) : Pattern(x, y, c); }},
         Bmp24(
             [](int x, int y, int c) { return (Pattern(x, y, c) * Pattern(y, x, 1) + 127) / 255; },
             32, 32),
         true},
    };
    // Grey of fewer bits is scaled to the whole range.
    for (const auto& [depth, top] : {std::pair{1, 1}, std::pair{2, 3}, std::pair{4, 15}}) {
        const auto level = [top](int x, int y, int) { return (x + y) % (top + 1); };
        pictures.push_back(
            {"grey of 1, 2 or 4 bits", {8, 4, 0, depth, level}, Bmp24([=](int x, int y, int c) {
                 return level(x, y, c) * 255 / top;
             })});
    }
    for (int depth : {8, 4}) {
        const auto index = [depth](int x, int y, int) { return (x + 3 * y) % (1 << depth); };
        Picture p{
            depth == 8 ? "paletted" : "paletted 4-bit", {8, 4, 3, depth, index}, Plain8(8, 4)};
        for (int k = 0; k < (1 << depth); ++k) {
            p.png.palette.push_back(
                {U8(Pattern(k, 0, 0)), U8(Pattern(k, 0, 1)), U8(Pattern(k, 0, 2))});
        }
        p.bmp.pixel = [index](int x, int y, int) { return U8(index(x, y, 0)); };
        p.bmp.tableByte = [](int k, int c) { return U8(Pattern(k, 0, 2 - c)); };
        pictures.push_back(p);
    }
    return pictures;
}

// "converted", "skipped", or the refusal's code.
std::string Outcome(const Result<FileStatus>& outcome) {
    if (!outcome) {
        return outcome.refusal().code;
    }
    return *outcome == FileStatus::Converted ? "converted" : "skipped";
}

// Converts the file `input` of `folder` into its file `output`.
Result<FileStatus> ConvertIn(const ScratchFolder& folder, const char* input, const char* output,
                             InputKind kind, T target, ConvertOptions options = {}) {
    ConvertJob job;
    job.input = folder.File(input);
    job.output = folder.File(output);
    job.kind = kind;
    job.target = target;
    return ConvertFile(job, options);
}

// Each kind of PNG gives the bytes the bitmap converter writes for the same
// picture; a texture written as PNG holds what its bitmap holds.
TEST(ConvertFile, PngAndBitmapOfThePicturesGiveTheSameTexture) {
    ScratchFolder folder;
    const auto bmpTxr = [&folder] { return BmpToTxr(folder, "p.bmp"); };
    for (const Picture& p : SamePictures()) {
        WriteBytes(folder.File("p.bmp"), BuildBmp(p.bmp));
        WriteBytes(folder.File("p.png"), BuildPng(p.png));
        EXPECT_EQ(Outcome(ConvertIn(folder, "p.png", "png.txr", InputKind::Png, T::Txr,
                                    {true, p.flatten})),
                  "converted")
            << p.name;
        EXPECT_EQ(ReadBytes(folder.File("png.txr")), bmpTxr()) << p.name;
    }
    for (const int bits : {8, 24}) {
        // Two levels: level 0 must be found and the smaller one ignored.
        WriteBytes(folder.File("t.txr"),
                   BuildTxr({4, 2, bits, 2, PatternPixel, PatternPaletteByte}));
        ASSERT_TRUE(ConvertIn(folder, "t.txr", "p.png", InputKind::Txr, T::Png, {true}));
        ASSERT_TRUE(ConvertIn(folder, "t.txr", "p.bmp", InputKind::Txr, T::Bmp, {true}));
        EXPECT_EQ(ReadPngHeader(ReadBytes(folder.File("p.png")))->colourType, bits == 8 ? 3 : 2)
            << bits << "-bit: paletted or truecolour";
        ASSERT_TRUE(ConvertIn(folder, "p.png", "png.txr", InputKind::Png, T::Txr, {true}));
        EXPECT_EQ(ReadBytes(folder.File("png.txr")), bmpTxr()) << bits << "-bit texture as PNG";
    }
    // Expanded through its palette (as the glTF export's images are).
    const Bytes txr = BuildTxr({4, 2, 8, 1, PatternPixel, PatternPaletteByte});
    const auto kept = TxrLevel0Png(txr);
    const auto expanded = TxrLevel0Picture(txr);
    ASSERT_TRUE(kept && expanded);
    EXPECT_EQ(ReadPngHeader(*kept)->colourType, 3) << "indices and palette kept";
    EXPECT_EQ(DecodePicture(*kept, false)->picture.rgb, expanded->rgb) << "the palette's colours";
}

// Every reason a file is refused for, once each: its code, and nothing
// written.
TEST(ConvertFile, RefusalsNameTheirReasonAndWriteNothing) {
    TestPng keyed{8, 4, 2, 8, Pattern};
    keyed.transparency = {0, U8(Pattern(0, 0, 0)), 0, U8(Pattern(0, 0, 1)),
                          0, U8(Pattern(0, 0, 2))};
    // An image data chunk whose bytes are not a zlib stream, its CRC made right.
    Bytes garbled = BuildPng({8, 4, 2, 8, Pattern});
    const std::size_t idat = 8 + 25; // signature, IHDR chunk
    garbled[idat + 8] ^= 0xFF;
    const std::uint32_t length = LoadBe32(&garbled[idat]);
    Bytes crc;
    AppendBe32(crc, PngCrc32(&garbled[idat + 4], length + 4));
    std::copy(crc.begin(), crc.end(), garbled.begin() + static_cast<long>(idat + 8 + length));
    Bytes shortTexture = BuildTxr({4, 4, 24, 1, PatternPixel, {}});
    shortTexture.pop_back();
    TestBitmap four = Plain8(8, 8);
    four.bitsPerPixel = 4;
    four.tableEntries = 16;
    const struct {
        const char* name;
        Bytes file;
        std::string code;
        InputKind kind = InputKind::Png;
    } cases[] = {
        {"transparent pixel",
         BuildPng({8, 4, 6, 8, [](int x, int, int c) { return c == 3 && x == 1 ? 200 : 255; }}),
         "png-alpha"},
        {"colour key", BuildPng(keyed), "png-alpha"},
        {"not a PNG", Bytes{'B', 'M', 0, 0}, "png-signature"},
        {"image data that does not decode", garbled, "png-decode"},
        {"side of 6", BuildPng({6, 4, 2, 8, Pattern}), "bmp-sides"},
        {"texture cut short of level 0", shortTexture, "txr-unreadable", InputKind::Txr},
        {"texture shorter than its header", Bytes(15, 0), "txr-unreadable", InputKind::Txr},
        {"bitmap of 4 bits", BuildBmp(four), "bmp-depth", InputKind::Bitmap},
        {"bitmap that is not one", Bytes(60, 'x'), "bmp-unreadable", InputKind::Bitmap},
        {"picture of another kind", Bytes(4, 0), "convert-kind", InputKind::Other},
    };
    // The largest side is read; one more is refused, and so are more pixels
    // than a bitmap holds (refused from the header: the file only claims
    // them), each naming the limit it hit.
    const auto black = [](int, int, int) { return 0; };
    const std::string sides = " pixels: sides must be from 1 to 32768";
    for (const auto& [w, h, claimed, refusal] :
         {std::tuple{kMaxBitmapSide, 1, false, std::string()},
          std::tuple{1, kMaxBitmapSide, false, std::string()},
          std::tuple{kMaxBitmapSide + 1, 1, false, "32769x1" + sides},
          std::tuple{1, kMaxBitmapSide + 1, false, "1x32769" + sides},
          std::tuple{0, 1, false, "0x1" + sides},
          std::tuple{16384, 16384, true,
                     std::string("16384x16384 pixels: at most 67108864 pixels are read")}}) {
        const Bytes file = claimed ? PngClaimingSides(w, h) : BuildPng({w, h, 0, 8, black});
        const Result<BitmapImage> read = DecodePngForTxr(file, false);
        EXPECT_EQ(read ? "read" : read.refusal().code + ": " + read.refusal().message,
                  refusal.empty() ? "read" : "png-sides: is a PNG file of " + refusal)
            << w << " x " << h;
    }
    for (const auto& c : cases) {
        ScratchFolder folder;
        const char* input = c.kind == InputKind::Bitmap ? "in.bmp" : "in";
        WriteBytes(folder.File(input), c.file);
        const Result<FileStatus> outcome =
            ConvertIn(folder, input, "out", c.kind, c.kind == InputKind::Txr ? T::Png : T::Txr);
        EXPECT_EQ(Outcome(outcome), c.code) << c.name;
        EXPECT_FALSE(outcome || outcome.refusal().message.empty()) << c.name << ": a reason";
        EXPECT_EQ(folder.Entries(), std::vector<std::string>{input}) << c.name << ": no output";
    }
    // A bitmap's refusal is the lines the single-file converter prints.
    ScratchFolder folder;
    WriteBytes(folder.File("d.bmp"), BuildBmp(four));
    const auto lines = TxrRefusalLines(TxrRefusal::Depth);
    EXPECT_EQ(ConvertIn(folder, "d.bmp", "d.txr", InputKind::Bitmap, T::Txr).refusal().message,
              std::string(lines[0].substr(2)) + "\n" + std::string(lines[1].substr(2)));
    EXPECT_EQ(Outcome(ConvertIn(folder, "missing.png", "m.txr", InputKind::Png, T::Txr)),
              "file-unreadable");
}

TEST(ConvertFile, AProblemFoundInPlanningFailsTheFileUnlessItsOutputIsAnInputLeftAlone) {
    ScratchFolder folder;
    WriteBytes(folder.File("b.bmp"), BuildBmp(Plain24(4, 4)));
    WriteBytes(folder.File("b.txr"), {'o', 'l', 'd'});
    const struct {
        bool outputIsInput, force;
        const char* expected;
    } cases[] = {{false, false, "a-problem"}, {true, false, "skipped"}, {true, true, "a-problem"}};
    for (const auto& c : cases) {
        ConvertJob job{folder.File("b.bmp"),
                       folder.File("b.txr"),
                       InputKind::Bitmap,
                       T::Txr,
                       Refuse("a-problem", "a problem"),
                       c.outputIsInput};
        EXPECT_EQ(Outcome(ConvertFile(job, {c.force})), c.expected) << c.outputIsInput << c.force;
    }
    EXPECT_EQ(ReadBytes(folder.File("b.txr")), (Bytes{'o', 'l', 'd'})) << "never written";
}

TEST(ConvertFile, ExistingOutputsAreSkippedOrReplacedWithForceAndKeptOnAFailedWrite) {
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
        WriteBytes(folder.File("t.txr"), BuildTxr({8, 8, 8, 1, PatternPixel, PatternPaletteByte}));
        WriteBytes(folder.File("p.png"), BuildPng({8, 4, 2, 8, Pattern}));
        WriteBytes(folder.File("b.bmp"), BuildBmp(Plain8(8, 8)));
        WriteBytes(folder.File(c.output), {'o', 'l', 'd'});
        const auto convert = [&](bool force) {
            return Outcome(ConvertIn(folder, c.input, c.output, c.kind, c.target, {force}));
        };
        EXPECT_EQ(convert(false), "skipped") << c.output;
        EXPECT_EQ(ReadBytes(folder.File(c.output)), (Bytes{'o', 'l', 'd'})) << c.output;
        EXPECT_EQ(convert(true), "converted") << c.output;
        EXPECT_GT(ReadBytes(folder.File(c.output)).size(), 3u) << c.output << " replaced";
        // An output that cannot be replaced (a folder of that name) fails the
        // file and leaves no temporary or partial file behind.
        fs::remove(folder.File(c.output));
        fs::create_directories(fs::path(folder.File(c.output)) / "keep");
        const auto before = folder.Entries();
        const Result<FileStatus> failed =
            ConvertIn(folder, c.input, c.output, c.kind, c.target, {true});
        EXPECT_EQ(Outcome(failed), c.target == T::Txr ? "txr-not-written" : "file-write")
            << c.output;
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
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
    EXPECT_EQ(outOfWindow.load(), 0) << "no item starts more than the window ahead of the report";
}

// A report that throws ends the run at once: the exception reaches the
// caller (no thread is left to end the process) and no item is started
// beyond the window of the failed one.
TEST(RunInOrder, AThrowingReportStopsThePoolAndReachesTheCaller) {
    std::atomic<std::size_t> started{0};
    const auto run = [&] {
        RunInOrder<std::size_t>(
            1000, 4, 8,
            [&](std::size_t i) {
                ++started;
                return i;
            },
            [](std::size_t i, std::size_t) {
                if (i == 3) {
                    throw std::runtime_error("report failed");
                }
            });
    };
    EXPECT_THROW(run(), std::runtime_error);
    EXPECT_LE(started.load(), 3u + 8u) << "none past the window ahead of the failed report";
}

} // namespace
