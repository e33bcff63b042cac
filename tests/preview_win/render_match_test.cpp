// The software rendering against the viewer's own picture: pieces loaded and
// drawn by the preview's Direct3D path under Wine at fixed clock times, the
// whole back buffer read back, and RenderModel's picture of the same model,
// with the same textures, at the same angle and size beside it. The
// viewer's textures are 16-bit surfaces, so colours differ by a few levels;
// only where a pixel's sample point falls exactly on an edge or a texel
// border (the middle column of a square facing the eye) may the two pictures
// round to different sides. Each comparison is kept as a bitmap (viewer,
// render, and white where they differ) in the build's artifacts folder.
#include "preview_harness.h"

#include "builders/bmp_builder.h"
#include "builders/msm_builder.h"
#include "builders/piece_files.h"
#include "builders/txr_builder.h"
#include "common/path_text.h"
#include "preview/display_win.h"
#include "preview/frame_win.h"
#include "preview/piece_loading_win.h"
#include "render/render_model.h"
#include "support/temp_folder_win.h"
#include "support/wine_path.h"
#include "tool/png_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

constexpr int kPaneWidth = 318;
constexpr int kPaneHeight = 358;
// Channels within this of each other count as the same colour: a 16-bit
// texel loses up to 7 levels of each channel.
constexpr int kTolerance = 24;
constexpr double kLeastShare = 0.97;
// Pixels sampled at whole screen coordinates, as Direct3D does, put every
// edge on the viewer's pixels: a handful differ in a frame. Sampled half a
// pixel further (pixel centres at x + 0.5), edges move by a pixel in places
// and up to 1.7 % of a frame differs.
constexpr double kLeastShareOnTheSamePixels = 0.995;
// Clock times of the comparisons: angles 0, 0.6 and 1.3 radians.
constexpr DWORD kTimes[] = {0, 600, 1300};

DWORD clockNow = 0;
DWORD TestClock() {
    return clockNow;
}

bool Close(std::uint32_t a, std::uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > kTolerance || d < -kTolerance) {
            return false;
        }
    }
    return true;
}

class RenderMatch : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetPreviewState();
        SetFrameClock(TestClock);
        for (const char* sub : {"models", "textures", "tmp"}) {
            std::filesystem::create_directory(data.Path() / sub);
        }
        tempOverride = std::make_unique<TempFolderOverride>(data.File("tmp"));
        // One window for the whole run, as in the preview's own tests.
        if (host.mainWindow == nullptr) {
            ASSERT_TRUE(CreatePreviewHost(host));
        }
        appState.mainWindow = host.mainWindow;
        appState.previewWindow = host.pane;
        ASSERT_EQ(InitDisplay(host.pane, IID_IDirect3DHALDevice), 0);
    }

    void TearDown() override {
        ResetPreviewState();
        SetFrameClock(nullptr);
        tempOverride.reset();
    }

    void UseFolders(const std::string& models, const std::string& textures) {
        ASSERT_TRUE(CopyPathText(appState.modelFolder, kPathCapacity, models.c_str()));
        ASSERT_TRUE(CopyPathText(appState.textureFolder, kPathCapacity, textures.c_str()));
    }

    // Loads the model as the viewer does, then at every clock time compares
    // the viewer's frame with the rendering; the share of pixels that match.
    void Compare(const std::string& modelFile) {
        SetPieces(host, {modelFile}, 0);
        LoadSelectedPiece(host.mainWindow);
        ASSERT_NE(appState.modelImage, nullptr) << modelFile;
        // The render's slots hold level 0 of the texture file of every slot
        // the viewer made a surface for, found where the viewer found it.
        std::vector<RenderTexture> textures(kRenderSlots);
        RenderSlots slots{};
        for (int i = 0; i < kRenderSlots; ++i) {
            if (appState.textureTable[i] == nullptr) {
                continue;
            }
            const Bytes file = ReadBytes(appState.textureSource[i]);
            const std::optional<PngPicture> picture =
                TxrLevel0Picture({file.data(), file.size()}, false);
            ASSERT_TRUE(picture) << appState.textureSource[i];
            textures[static_cast<std::size_t>(i)] = {picture->width, picture->height,
                                                     picture->pixels};
            slots[static_cast<std::size_t>(i)] = &textures[static_cast<std::size_t>(i)];
        }
        const std::span<const std::uint8_t> model(appState.modelImage, appState.modelImageSize);
        for (const DWORD ms : kTimes) {
            clockNow = ms;
            // The viewer's angle: the clock times its single-precision rate.
            const float angle = static_cast<float>(ms) * 0.001f;
            RenderFrame();
            const std::vector<std::uint32_t> viewer =
                SurfacePixels(appState.backBuffer, kPaneWidth, kPaneHeight);
            ASSERT_EQ(viewer.size(), static_cast<std::size_t>(kPaneWidth * kPaneHeight));
            const Result<RenderImage> render =
                RenderModel(model, slots, angle, kPaneWidth, kPaneHeight);
            ASSERT_TRUE(render.ok());
            std::size_t same = 0, drawn = 0;
            for (std::size_t i = 0; i < viewer.size(); ++i) {
                const std::uint8_t* p = &render->rgb[3 * i];
                const std::uint32_t rendered =
                    static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
                same += Close(viewer[i], rendered);
                drawn += viewer[i] != kRenderClearColour;
            }
            const double share = static_cast<double>(same) / static_cast<double>(viewer.size());
            std::printf("%-12s angle %.1f: %.2f %% of pixels match (%zu differ, %zu drawn by the "
                        "viewer)\n",
                        modelFile.c_str(), angle, 100 * share, viewer.size() - same, drawn);
            EXPECT_GE(share, kLeastShare) << modelFile << " at " << angle;
            EXPECT_GE(share, kLeastShareOnTheSamePixels) << modelFile << " at " << angle;
            EXPECT_GT(drawn, 1000u) << modelFile << ": the piece is on show";
            KeepSideBySide(modelFile, ms, viewer, render->rgb);
        }
    }

    // Viewer, render, and white where they differ, side by side.
    static void KeepSideBySide(const std::string& modelFile, DWORD ms,
                               const std::vector<std::uint32_t>& viewer,
                               const std::vector<std::uint8_t>& render) {
        TestBitmap shot = Plain24(3 * kPaneWidth, kPaneHeight);
        shot.pixel = [&](int x, int y, int channel) {
            const std::size_t at = static_cast<std::size_t>(y * kPaneWidth + x % kPaneWidth);
            const std::uint32_t v = viewer[at];
            const std::uint32_t r = static_cast<std::uint32_t>(
                render[3 * at] << 16 | render[3 * at + 1] << 8 | render[3 * at + 2]);
            const std::uint32_t shown = x < kPaneWidth       ? v
                                        : x < 2 * kPaneWidth ? r
                                        : Close(v, r)        ? 0
                                                             : 0xFFFFFF;
            return static_cast<std::uint8_t>(shown >> (8 * channel));
        };
        std::filesystem::create_directories(PV_ARTIFACT_DIR);
        const std::string stem = std::filesystem::path(modelFile).stem().string();
        WriteBytes(std::string(PV_ARTIFACT_DIR) + "/render_match_" + stem + "_" +
                       std::to_string(ms) + ".bmp",
                   BuildBmp(shot));
    }

    ScratchFolder data;
    std::unique_ptr<TempFolderOverride> tempOverride;
    static PreviewHost host;
};

PreviewHost RenderMatch::host;

TEST_F(RenderMatch, SamplePiecesLookAsTheViewerShowsThem) {
    const std::string samples = WinePath(PV_SOURCE_DIR "/samples");
    UseFolders(samples + "\\models", samples + "\\textures");
    for (const char* model : {"cube.msm", "flag.msm", "redbox.msm", "slab.msm", "stand.msm"}) {
        Compare(model);
    }
}

TEST_F(RenderMatch, ViewerTestPiecesLookAsTheViewerShowsThem) {
    UseFolders(data.File("models"), data.File("textures"));
    auto writeTexture = [&](const std::string& name, const Bytes& bytes) {
        WriteBytes(data.File("textures") + "\\" + name, bytes);
    };
    auto writeModel = [&](const std::string& name, const TestModel& model) {
        WriteBytes(data.File("models") + "\\" + name, BuildMsm(model).bytes);
    };
    // The preview tests' pieces: one-colour textures, a paletted one, faces
    // without a texture; and textures of the builders' pattern, true colour
    // and paletted, where every texel differs.
    TestTexture pattern;
    pattern.width = pattern.height = 32;
    pattern.pixel = PatternPixel;
    writeTexture("pattern.txr", BuildTxr(pattern));
    TestTexture paletted = pattern;
    paletted.width = 64;
    paletted.height = 16;
    paletted.bitsPerPixel = 8;
    paletted.paletteByte = PatternPaletteByte;
    writeTexture("paletted.txr", BuildTxr(paletted));
    writeTexture("green.txr", SolidTxr(0x30C050));
    const std::uint32_t colours[5] = {0xC08030, 0x30C080, 0x8030C0, 0xC0C030, 0x303030};
    std::vector<std::string> walls;
    for (int i = 0; i < 5; ++i) {
        const std::string stem(1, static_cast<char>('p' + i));
        writeTexture(stem + ".txr", SolidTxr(colours[i]));
        walls.push_back(stem + ".bmp");
    }
    writeModel("square.msm", SquareModel({"green.bmp"}, 0, 1.5f, 1.5f));
    writeModel("pattern.msm", SquareModel({"pattern.bmp"}, 0));
    writeModel("walls.msm", BoxModel(walls, 0, true));
    writeModel("patternbox.msm", BoxModel({"pattern.bmp", "paletted.bmp"}, 0, true));
    writeModel("white.msm", BoxModel({"missing.bmp"}, 0));
    for (const char* model :
         {"square.msm", "pattern.msm", "walls.msm", "patternbox.msm", "white.msm"}) {
        Compare(model);
    }
}

} // namespace
