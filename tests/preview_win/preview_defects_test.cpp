// The viewer's window procedure painting and moving the preview, and a list
// emptied by a new scan, on a stand-in window laid out like the viewer's.
#include "preview_harness.h"

#include "app/main_window_win.h"
#include "common/path_text.h"
#include "preview/display_win.h"
#include "preview/frame_win.h"
#include "preview/piece_loading_win.h"
#include "builders/msm_builder.h"
#include "builders/piece_files.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

constexpr std::uint32_t kGreen = 0x30C050;

DWORD StillClock() { // the square faces the eye
    return 0;
}

// The colour the screen shows at the centre of the pane, wherever it is.
std::uint32_t PaneCentreOnScreen(HWND pane) {
    RECT r{};
    GetClientRect(pane, &r);
    MapWindowPoints(pane, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return ScreenColour((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

class PreviewDefects : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetPreviewState();
        SetFrameClock(StillClock);
        std::filesystem::create_directory(data.Path() / "m");
        std::filesystem::create_directory(data.Path() / "t");
        ASSERT_TRUE(CopyPathText(appState.modelFolder, kPathCapacity, data.File("m").c_str()));
        ASSERT_TRUE(CopyPathText(appState.textureFolder, kPathCapacity, data.File("t").c_str()));
        WriteBytes(data.File("t") + "\\green.txr", SolidTxr(kGreen));
        WriteBytes(data.File("m") + "\\sq.msm", BuildMsm(SquareModel({"green.bmp"}, 0)).bytes);
        ASSERT_TRUE(CreatePreviewHost(host));
        ASSERT_EQ(InitDisplay(host.pane, IID_IDirect3DHALDevice), 0);
        appState.deviceReady = 1;
        appState.appActive = 0; // no new frames: paints show the last one
        SetPieces(host, {"sq.msm"}, 0);
        LoadSelectedPiece(host.mainWindow);
        RenderFrame();
    }
    void TearDown() override {
        appState.deviceReady = 0;
        ResetPreviewState();
        SetFrameClock(nullptr);
    }
    // The whole main window uncovered and painted by the viewer's procedure.
    void Paint() {
        InvalidateRect(host.mainWindow, nullptr, TRUE);
        MainWndProc(host.mainWindow, WM_PAINT, 0, 0);
    }

    ScratchFolder data;
    PreviewHost host;
};

TEST_F(PreviewDefects, UncoveredPaneOfTheInactiveViewerKeepsShowingTheLastFrame) {
    Paint();
    const std::uint32_t centre = PaneCentreOnScreen(host.pane);
    EXPECT_TRUE(ColoursClose(centre, kGreen)) << "not the grey background: " << std::hex << centre;
}

TEST_F(PreviewDefects, HalfBuiltDisplayPresentsNothing) {
    // A stand-in primary surface of the screen's size shows what is presented.
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    d.dwWidth = static_cast<DWORD>(GetSystemMetrics(SM_CXSCREEN));
    d.dwHeight = static_cast<DWORD>(GetSystemMetrics(SM_CYSCREEN));
    IDirectDrawSurface7* probe = nullptr;
    ASSERT_EQ(appState.directDraw->CreateSurface(&d, &probe, nullptr), DD_OK);
    std::swap(probe, appState.primarySurface);
    const RECT& r = appState.presentRect;
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    Paint();
    ASSERT_TRUE(ColoursClose(SurfaceColour(appState.primarySurface, x, y), kGreen)) << "probe";
    // As a rebuild that failed at the depth buffer leaves it: surfaces made,
    // no depth buffer, no device, not ready; its back buffer holds no frame.
    appState.deviceReady = 0;
    appState.device->Release();
    appState.device = nullptr;
    appState.zBuffer->Release();
    appState.zBuffer = nullptr;
    DDBLTFX fill{};
    fill.dwSize = sizeof fill;
    appState.backBuffer->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill);
    Paint();
    EXPECT_EQ(PresentFrame(), E_FAIL);
    EXPECT_TRUE(ColoursClose(SurfaceColour(appState.primarySurface, x, y), kGreen))
        << "the black back buffer of a half-built display was presented";
    std::swap(probe, appState.primarySurface);
    probe->Release();
}

TEST_F(PreviewDefects, MoveOfTheInactiveViewerTakesTheFramesAlong) {
    RECT window{};
    GetWindowRect(host.mainWindow, &window);
    SetWindowPos(host.mainWindow, nullptr, window.left + 120, window.top + 60, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpMessages();
    MainWndProc(host.mainWindow, WM_MOVE, 0, 0);
    Paint();
    const std::uint32_t centre = PaneCentreOnScreen(host.pane);
    EXPECT_TRUE(ColoursClose(centre, kGreen)) << "frame left behind: " << std::hex << centre;
}

TEST_F(PreviewDefects, EmptiedListBlanksThePreview) {
    ASSERT_NE(appState.textureTable[0], nullptr);
    SetPieces(host, {}, 0); // a confirmed scan that found nothing; caret 0
    LoadSelectedPiece(host.mainWindow);
    EXPECT_EQ(appState.modelImage, nullptr);
    EXPECT_EQ(appState.textureTable[0], nullptr);
    ReleaseDisplay(); // a rebuilt display does not bring the old textures back
    ASSERT_EQ(InitDisplay(host.pane, IID_IDirect3DHALDevice), 0);
    EXPECT_EQ(appState.textureTable[0], nullptr);
    RenderFrame();
    EXPECT_EQ(SurfaceColour(appState.backBuffer, 159, 179), 0x7777FFu) << "the empty frame";
}

} // namespace
