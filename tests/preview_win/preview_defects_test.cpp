// The main window's handling of the preview as the user sees it: painting an
// uncovered pane while the viewer is inactive, a half-built display, moves
// while inactive, and a piece list emptied by a new scan. The real window
// procedure of the viewer handles the messages of a stand-in window laid out
// like the viewer's.
#include "preview_harness.h"

#include "app/main_window_win.h"
#include "common/path_text.h"
#include "preview/display_win.h"
#include "preview/frame_win.h"
#include "preview/piece_loading_win.h"
#include "support/msm_builder.h"
#include "support/piece_files.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

constexpr std::uint32_t kClear = 0x7777FF;
constexpr std::uint32_t kGreen = 0x30C050;

std::uint32_t ScreenColour(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

RECT PaneOnScreen(HWND pane) {
    RECT r{};
    GetClientRect(pane, &r);
    MapWindowPoints(pane, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::uint32_t CentreOnScreen(const RECT& r) {
    return ScreenColour((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// The piece stands still, facing the eye.
DWORD StillClock() {
    return 0;
}

void Fill(IDirectDrawSurface7* surface, DWORD colour) {
    DDBLTFX fill;
    std::memset(&fill, 0, sizeof fill);
    fill.dwSize = sizeof fill;
    fill.dwFillColor = colour;
    surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill);
}

class PreviewDefects : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetPreviewState();
        SetFrameClock(StillClock);
        std::filesystem::create_directory(data.Path() / "models");
        std::filesystem::create_directory(data.Path() / "textures");
        ASSERT_TRUE(CopyPathText(appState.modelFolder, kPathCapacity, data.File("models").c_str()));
        ASSERT_TRUE(
            CopyPathText(appState.textureFolder, kPathCapacity, data.File("textures").c_str()));
        ASSERT_TRUE(CreatePreviewHost(host));
        ASSERT_EQ(InitDisplay(host.pane, IID_IDirect3DHALDevice), 0);
        appState.deviceReady = 1;
        // A green square fills the pane's centre.
        WriteBytes(data.File("textures") + "\\green.txr", SolidTxr(kGreen));
        WriteBytes(data.File("models") + "\\square.msm",
                   BuildMsm(SquareModel({"green.bmp"}, 0)).bytes);
        SetPieces(host, {"square.msm"}, 0);
        LoadSelectedPiece(host.mainWindow);
        ASSERT_NE(appState.modelImage, nullptr);
    }

    void TearDown() override {
        appState.deviceReady = 0;
        appState.appActive = 0;
        ResetPreviewState();
        SetFrameClock(nullptr);
    }

    // The viewer's window procedure takes a message of the main window.
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return MainWndProc(host.mainWindow, message, wParam, lParam);
    }

    ScratchFolder data;
    PreviewHost host;
};

TEST_F(PreviewDefects, UncoveredPaneOfTheInactiveViewerKeepsShowingTheLastFrame) {
    RenderFrame();
    const RECT pane = PaneOnScreen(host.pane);
    ASSERT_TRUE(ColoursClose(CentreOnScreen(pane), kGreen));
    // Inactive: no new frames. The whole window is uncovered and painted.
    appState.appActive = 0;
    InvalidateRect(host.mainWindow, nullptr, TRUE);
    EXPECT_EQ(Send(WM_PAINT), 0);
    const std::uint32_t centre = CentreOnScreen(pane);
    EXPECT_TRUE(ColoursClose(centre, kGreen))
        << "the last frame, not the window's grey background: " << std::hex << centre;
}

TEST_F(PreviewDefects, HalfBuiltDisplayPresentsNothing) {
    // A stand-in primary surface as large as the screen records where and
    // what is presented.
    IDirectDrawSurface7* probe = nullptr;
    DDSURFACEDESC2 description;
    std::memset(&description, 0, sizeof description);
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    description.dwWidth = static_cast<DWORD>(GetSystemMetrics(SM_CXSCREEN));
    description.dwHeight = static_cast<DWORD>(GetSystemMetrics(SM_CYSCREEN));
    ASSERT_EQ(appState.directDraw->CreateSurface(&description, &probe, nullptr), DD_OK);
    Fill(probe, 0);
    IDirectDrawSurface7* primary = appState.primarySurface;
    appState.primarySurface = probe;
    Fill(appState.backBuffer, 0xFFFF); // a colour no frame of this test has
    const RECT& r = appState.presentRect;
    const int x = (r.left + r.right) / 2;
    const int y = (r.top + r.bottom) / 2;
    // The probe works: a whole display presents into it.
    Send(WM_PAINT);
    ASSERT_NE(SurfaceColour(probe, x, y), 0u);
    Fill(probe, 0);

    // As a rebuild whose depth buffer could not be made leaves the display:
    // primary surface and back buffer made, no depth buffer, no device, and
    // the display not ready.
    appState.deviceReady = 0;
    appState.device->Release();
    appState.device = nullptr;
    appState.zBuffer->Release();
    appState.zBuffer = nullptr;
    InvalidateRect(host.mainWindow, nullptr, TRUE);
    Send(WM_PAINT);
    EXPECT_EQ(SurfaceColour(probe, x, y), 0u) << "nothing presented through a half-built display";
    EXPECT_EQ(PresentFrame(), E_FAIL);
    EXPECT_EQ(RenderFrame(), 0);
    EXPECT_EQ(SurfaceColour(probe, x, y), 0u);
    appState.primarySurface = primary;
    probe->Release();
}

TEST_F(PreviewDefects, MoveOfTheInactiveViewerTakesTheFramesAlong) {
    appState.appActive = 0;
    RECT window{};
    GetWindowRect(host.mainWindow, &window);
    SetWindowPos(host.mainWindow, nullptr, window.left + 120, window.top + 60, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpMessages();
    RECT client{};
    GetClientRect(host.mainWindow, &client);
    MapWindowPoints(host.mainWindow, nullptr, reinterpret_cast<POINT*>(&client), 1);
    Send(WM_MOVE, 0, MAKELPARAM(client.left, client.top));
    const RECT pane = PaneOnScreen(host.pane);
    EXPECT_TRUE(EqualRect(&appState.presentRect, &pane))
        << "present rectangle left at " << appState.presentRect.left << ","
        << appState.presentRect.top << ", pane at " << pane.left << "," << pane.top;
    // A paint presents the last frame where the pane now is.
    RenderFrame();
    InvalidateRect(host.mainWindow, nullptr, TRUE);
    Send(WM_PAINT);
    const std::uint32_t centre = CentreOnScreen(pane);
    EXPECT_TRUE(ColoursClose(centre, kGreen)) << std::hex << centre;
}

TEST_F(PreviewDefects, EmptiedListBlanksThePreview) {
    ASSERT_NE(appState.textureTable[0], nullptr);
    // A confirmed scan of an empty or missing folder: no pieces, no items,
    // and the list's notification loads what is at its caret.
    SetPieces(host, {}, 0);
    ASSERT_EQ(SendMessageA(host.pieceList, LB_GETCARETINDEX, 0, 0), 0)
        << "an empty list gives caret 0";
    LoadSelectedPiece(host.mainWindow);
    EXPECT_EQ(appState.modelImage, nullptr);
    EXPECT_EQ(appState.textureTable[0], nullptr);
    // A rebuilt display does not bring the old piece's textures back.
    ReleaseDisplay();
    ASSERT_EQ(InitDisplay(host.pane, IID_IDirect3DHALDevice), 0);
    EXPECT_EQ(appState.textureTable[0], nullptr);
    RenderFrame();
    EXPECT_EQ(SurfaceColour(appState.backBuffer, 159, 179), kClear) << "the empty frame";
}

} // namespace
