#include "preview/display_win.h"

#include "app/app_state.h"
#include "preview/piece_loading_win.h"

#include <cstring>

namespace {

// Surface descriptions start zeroed with their size set.
DDSURFACEDESC2 SurfaceDescription(DWORD flags, DWORD caps) {
    DDSURFACEDESC2 description;
    std::memset(&description, 0, sizeof description);
    description.dwSize = sizeof description;
    description.dwFlags = flags;
    description.ddsCaps.dwCaps = caps;
    return description;
}

template <typename T> void ReleaseHeld(T*& object) {
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

// The pane's client area in screen coordinates.
RECT PaneScreenRect(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    POINT topLeft{client.left, client.top};
    POINT bottomRight{client.right, client.bottom};
    ClientToScreen(window, &topLeft);
    ClientToScreen(window, &bottomRight);
    RECT screen;
    SetRect(&screen, topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
    return screen;
}

} // namespace

HRESULT CALLBACK PickZBufferFormat(DDPIXELFORMAT* format, void* context) {
    if (format->dwFlags != DDPF_ZBUFFER) {
        return D3DENUMRET_OK;
    }
    std::memcpy(context, format, sizeof(DDPIXELFORMAT));
    return D3DENUMRET_CANCEL;
}

HRESULT SetDefaultRenderStates(IDirect3DDevice7* device) {
    D3DMATERIAL7 material;
    std::memset(&material, 0, sizeof material);
    material.diffuse.r = material.diffuse.g = material.diffuse.b = 1.0f;
    material.ambient.r = material.ambient.g = material.ambient.b = 1.0f;
    device->SetMaterial(&material);
    device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0xFFFFFFFF);

    // Depth 1 - 1/z: near plane at z = 1, no far plane; x and y divided by z
    // alone, a 90-degree view across both sides of the pane.
    D3DMATRIX projection;
    std::memset(&projection, 0, sizeof projection);
    projection._11 = 1.0f;
    projection._22 = 1.0f;
    projection._33 = 1.0f;
    projection._34 = 1.0f;
    projection._43 = -1.0f;
    device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    return 0;
}

HRESULT InitDisplay(HWND window, const GUID& deviceGuid) {
    HRESULT result = DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&appState.directDraw),
                                        IID_IDirectDraw7, nullptr);
    if (FAILED(result)) {
        appState.directDraw = nullptr;
        return result;
    }
    const HRESULT queried = appState.directDraw->QueryInterface(
        IID_IDirect3D7, reinterpret_cast<void**>(&appState.direct3D));
    if (FAILED(queried)) {
        appState.direct3D = nullptr;
    }

    // The normal level takes a top-level window or none. The pane is a child
    // window; handing it over here (or binding the clipper to it before the
    // clipper is attached) makes some drivers, Wine's among them, give the
    // pane a rendering context of its own in which every blit is lost.
    result = appState.directDraw->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
    if (FAILED(result)) {
        return result;
    }

    DDSURFACEDESC2 primary = SurfaceDescription(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE);
    result = appState.directDraw->CreateSurface(&primary, &appState.primarySurface, nullptr);
    if (FAILED(result)) {
        appState.primarySurface = nullptr;
        return result;
    }

    // The primary surface keeps the clipper; only its reference is kept.
    IDirectDrawClipper* clipper = nullptr;
    result = appState.directDraw->CreateClipper(0, &clipper, nullptr);
    if (FAILED(result)) {
        return result;
    }
    appState.primarySurface->SetClipper(clipper);
    clipper->SetHWnd(0, window);
    clipper->Release();

    appState.presentRect = PaneScreenRect(window);

    DDSURFACEDESC2 back = SurfaceDescription(DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH,
                                             DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
    back.dwWidth = static_cast<DWORD>(appState.presentRect.right - appState.presentRect.left);
    back.dwHeight = static_cast<DWORD>(appState.presentRect.bottom - appState.presentRect.top);
    result = appState.directDraw->CreateSurface(&back, &appState.backBuffer, nullptr);
    if (FAILED(result)) {
        appState.backBuffer = nullptr;
        return result;
    }

    DDBLTFX fill;
    std::memset(&fill, 0, sizeof fill);
    fill.dwSize = sizeof fill;
    fill.dwFillColor = 0;
    appState.backBuffer->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill);

    // Without the Direct3D interface there are no depth formats and no device.
    if (appState.direct3D == nullptr) {
        return FAILED(queried) ? queried : E_FAIL;
    }
    DDPIXELFORMAT depthFormat;
    std::memset(&depthFormat, 0, sizeof depthFormat);
    appState.direct3D->EnumZBufferFormats(deviceGuid, PickZBufferFormat, &depthFormat);
    if (depthFormat.dwSize != sizeof(DDPIXELFORMAT)) {
        return E_FAIL;
    }

    const bool hardware = IsEqualGUID(deviceGuid, IID_IDirect3DHALDevice) != 0;
    DDSURFACEDESC2 depth = SurfaceDescription(
        DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT,
        DDSCAPS_ZBUFFER | (hardware ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY));
    depth.dwWidth = back.dwWidth;
    depth.dwHeight = back.dwHeight;
    depth.ddpfPixelFormat = depthFormat;
    result = appState.directDraw->CreateSurface(&depth, &appState.zBuffer, nullptr);
    if (FAILED(result)) {
        appState.zBuffer = nullptr;
        return result;
    }
    result = appState.backBuffer->AddAttachedSurface(appState.zBuffer);
    if (FAILED(result)) {
        return result;
    }

    DDSURFACEDESC2 mode = SurfaceDescription(0, 0);
    appState.directDraw->GetDisplayMode(&mode);
    if (mode.ddpfPixelFormat.dwRGBBitCount <= 8) {
        return DDERR_INVALIDMODE;
    }

    result = appState.direct3D->CreateDevice(IID_IDirect3DHALDevice, appState.backBuffer,
                                             &appState.device);
    if (FAILED(result)) {
        appState.device = nullptr;
        result = appState.direct3D->CreateDevice(IID_IDirect3DRGBDevice, appState.backBuffer,
                                                 &appState.device);
        if (FAILED(result)) {
            appState.device = nullptr;
            return result;
        }
    }

    D3DVIEWPORT7 viewport{};
    viewport.dwX = 0;
    viewport.dwY = 0;
    viewport.dwWidth = back.dwWidth;
    viewport.dwHeight = back.dwHeight;
    viewport.dvMinZ = 0.0f;
    viewport.dvMaxZ = 1.0f;
    result = appState.device->SetViewport(&viewport);
    if (FAILED(result)) {
        return result;
    }
    appState.device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    SetDefaultRenderStates(appState.device);

    // Texture surfaces belong to the device that made them: the piece on show
    // gets its textures again for this one.
    ReloadTextureSlots();
    return 0;
}

HRESULT ReleaseDisplay() {
    // Textures first: each holds the DirectDraw object that made it.
    ReleaseTextureSlots();
    ReleaseHeld(appState.device);
    ReleaseHeld(appState.backBuffer);
    ReleaseHeld(appState.primarySurface);
    ReleaseHeld(appState.direct3D);
    ReleaseHeld(appState.directDraw);
    ReleaseHeld(appState.zBuffer);
    return 0;
}

HRESULT UpdatePresentRect() {
    if (appState.previewWindow != nullptr) {
        appState.presentRect = PaneScreenRect(appState.previewWindow);
    }
    return 0;
}

HRESULT PresentFrame() {
    // A display whose set-up stopped part-way has a primary surface and maybe
    // a back buffer, but no depth buffer or device: its back buffer holds no
    // frame, and nothing is presented from it.
    if (appState.primarySurface == nullptr || appState.backBuffer == nullptr ||
        appState.zBuffer == nullptr || appState.device == nullptr) {
        return E_FAIL;
    }
    return appState.primarySurface->Blt(&appState.presentRect, appState.backBuffer, nullptr,
                                        DDBLT_WAIT, nullptr);
}

HRESULT RestoreSurfaces() {
    for (IDirectDrawSurface7* surface :
         {appState.primarySurface, appState.backBuffer, appState.zBuffer}) {
        if (surface != nullptr && surface->IsLost() != 0) {
            surface->Restore();
        }
    }
    return 0;
}
