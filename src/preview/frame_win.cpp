#include "preview/frame_win.h"

#include "app/app_state.h"
#include "preview/display_win.h"
#include "preview/model_draw_win.h"

#include <mmsystem.h>

#include <cmath>
#include <cstring>

namespace {

// The camera looks slightly down on the piece: a tilt of -0.1 radian about
// the x axis, the piece 3.5 units ahead of the eye and 1.5 units below it.
constexpr float kViewTilt = -0.1f;
constexpr float kViewOffsetY = -1.5f;
constexpr float kViewOffsetZ = 3.5f;
// One radian per second.
constexpr float kTurnPerMillisecond = 0.001f;

DWORD SystemClock() {
    return timeGetTime();
}

FrameClock frameClock = SystemClock;

} // namespace

void SetFrameClock(FrameClock clock) {
    frameClock = clock != nullptr ? clock : SystemClock;
}

void SetFrameTransforms(IDirect3DDevice7* device, float angle) {
    // Row vectors, as Direct3D multiplies them: the offset sits in row 4.
    D3DMATRIX view;
    std::memset(&view, 0, sizeof view);
    const double tilt = kViewTilt;
    view._11 = 1.0f;
    view._22 = static_cast<float>(std::cos(tilt));
    view._23 = static_cast<float>(std::sin(tilt));
    view._32 = static_cast<float>(-std::sin(tilt));
    view._33 = static_cast<float>(std::cos(tilt));
    view._42 = kViewOffsetY;
    view._43 = kViewOffsetZ;
    view._44 = 1.0f;
    device->SetTransform(D3DTRANSFORMSTATE_VIEW, &view);

    D3DMATRIX world;
    std::memset(&world, 0, sizeof world);
    const double turn = angle;
    world._11 = static_cast<float>(std::cos(turn));
    world._13 = static_cast<float>(std::sin(turn));
    world._22 = 1.0f;
    world._31 = static_cast<float>(-std::sin(turn));
    world._33 = static_cast<float>(std::cos(turn));
    world._44 = 1.0f;
    device->SetTransform(D3DTRANSFORMSTATE_WORLD, &world);
}

HRESULT DrawEmptyFrame(IDirect3DDevice7* device) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour, kClearDepth, 0);
    if (FAILED(device->BeginScene())) {
        return E_FAIL;
    }
    device->EndScene();
    return 0;
}

HRESULT RenderFrame() {
    // Nothing is drawn on a display that is not whole.
    if (appState.directDraw == nullptr || appState.device == nullptr) {
        return 0;
    }
    if (FAILED(appState.directDraw->TestCooperativeLevel())) {
        return 0;
    }
    // The angle follows the clock, not the frame count, and is not reduced to
    // one turn.
    const float angle = static_cast<float>(frameClock()) * kTurnPerMillisecond;
    SetFrameTransforms(appState.device, angle);
    if (appState.modelImage == nullptr) {
        DrawEmptyFrame(appState.device);
    } else {
        DrawModel(appState.device, appState.modelImage, appState.modelImageSize);
    }
    if (PresentFrame() == DDERR_SURFACELOST) {
        RestoreSurfaces();
    }
    return 0;
}
