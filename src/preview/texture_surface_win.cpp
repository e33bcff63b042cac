#include "preview/texture_surface_win.h"

#include <cstring>

namespace {

// The smallest power of two, from 1 up, that is not less than `size`.
DWORD PowerOfTwoAtLeast(DWORD size) {
    DWORD power = 1;
    while (power < size && power < 0x80000000u) {
        power <<= 1;
    }
    return power;
}

} // namespace

HRESULT CALLBACK PickTextureFormat(DDPIXELFORMAT* format, void* context) {
    if ((format->dwFlags & (DDPF_LUMINANCE | DDPF_BUMPLUMINANCE | DDPF_BUMPDUDV)) != 0) {
        return D3DENUMRET_OK;
    }
    if (format->dwFourCC != 0) {
        return D3DENUMRET_OK;
    }
    if ((format->dwFlags & DDPF_ALPHAPIXELS) != 0) {
        return D3DENUMRET_OK;
    }
    if (format->dwRGBBitCount != 16) {
        return D3DENUMRET_OK;
    }
    std::memcpy(context, format, sizeof(DDPIXELFORMAT));
    return D3DENUMRET_CANCEL;
}

namespace {

// The bitmap handed to CreateTextureFromBitmap is its own: freed when it
// returns, whichever way.
struct BitmapGuard {
    HBITMAP bitmap;
    explicit BitmapGuard(HBITMAP owned) : bitmap(owned) {}
    BitmapGuard(const BitmapGuard&) = delete;
    BitmapGuard& operator=(const BitmapGuard&) = delete;
    ~BitmapGuard() { DeleteObject(bitmap); }
};

} // namespace

IDirectDrawSurface7* CreateTextureFromBitmap(IDirect3DDevice7* device, HBITMAP bitmap) {
    const BitmapGuard guard{bitmap};
    D3DDEVICEDESC7 deviceDescription;
    std::memset(&deviceDescription, 0, sizeof deviceDescription);
    if (device == nullptr || FAILED(device->GetCaps(&deviceDescription))) {
        return nullptr;
    }
    BITMAP picture{};
    GetObjectA(bitmap, sizeof picture, &picture);
    const DWORD bitmapWidth = static_cast<DWORD>(picture.bmWidth);
    const DWORD bitmapHeight = static_cast<DWORD>(picture.bmHeight);

    DDSURFACEDESC2 description;
    std::memset(&description, 0, sizeof description);
    description.dwSize = sizeof description;
    description.dwFlags =
        DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_TEXTURESTAGE;
    description.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    description.dwWidth = bitmapWidth;
    description.dwHeight = bitmapHeight;
    description.dwTextureStage = 0;

    // A hardware device keeps the texture where the runtime manages it; the
    // software rasterizer reads it from system memory.
    if (IsEqualGUID(deviceDescription.deviceGUID, IID_IDirect3DHALDevice) ||
        IsEqualGUID(deviceDescription.deviceGUID, IID_IDirect3DTnLHalDevice)) {
        description.ddsCaps.dwCaps2 |= DDSCAPS2_TEXTUREMANAGE;
    } else {
        description.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
    }

    const DWORD textureCaps = deviceDescription.dpcTriCaps.dwTextureCaps;
    if ((textureCaps & D3DPTEXTURECAPS_POW2) != 0) {
        description.dwWidth = PowerOfTwoAtLeast(description.dwWidth);
        description.dwHeight = PowerOfTwoAtLeast(description.dwHeight);
    }
    if ((textureCaps & D3DPTEXTURECAPS_SQUAREONLY) != 0) {
        const DWORD side =
            description.dwWidth > description.dwHeight ? description.dwWidth : description.dwHeight;
        description.dwWidth = side;
        description.dwHeight = side;
    }

    device->EnumTextureFormats(PickTextureFormat, &description.ddpfPixelFormat);
    if (description.ddpfPixelFormat.dwRGBBitCount == 0) {
        return nullptr;
    }

    // The DirectDraw object that made the device's render target makes the
    // texture too.
    IDirectDrawSurface7* renderTarget = nullptr;
    IDirectDraw7* directDraw = nullptr;
    if (SUCCEEDED(device->GetRenderTarget(&renderTarget)) && renderTarget != nullptr) {
        IUnknown* owner = nullptr;
        if (SUCCEEDED(renderTarget->GetDDInterface(reinterpret_cast<void**>(&owner)))) {
            directDraw = reinterpret_cast<IDirectDraw7*>(owner);
        }
        renderTarget->Release();
    }
    if (directDraw == nullptr) {
        return nullptr;
    }
    IDirectDrawSurface7* surface = nullptr;
    const HRESULT created = directDraw->CreateSurface(&description, &surface, nullptr);
    directDraw->Release();
    if (FAILED(created) || surface == nullptr) {
        return nullptr;
    }

    HDC memoryContext = CreateCompatibleDC(nullptr);
    if (memoryContext == nullptr) {
        surface->Release();
        return nullptr;
    }
    // GDI converts the bitmap's colours into the surface's 16-bit format. Only
    // the bitmap's own area is written; a surface enlarged to a power of two
    // keeps the rest as it was made.
    const HGDIOBJ previous = SelectObject(memoryContext, bitmap);
    HDC surfaceContext = nullptr;
    if (SUCCEEDED(surface->GetDC(&surfaceContext))) {
        BitBlt(surfaceContext, 0, 0, static_cast<int>(bitmapWidth), static_cast<int>(bitmapHeight),
               memoryContext, 0, 0, SRCCOPY);
        surface->ReleaseDC(surfaceContext);
    }
    SelectObject(memoryContext, previous);
    DeleteDC(memoryContext);
    return surface;
}

IDirectDrawSurface7* LoadTextureSurface(IDirect3DDevice7* device, const char* bitmapName) {
    HANDLE image =
        LoadImageA(GetModuleHandleA(nullptr), bitmapName, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (image == nullptr) {
        image = LoadImageA(nullptr, bitmapName, IMAGE_BITMAP, 0, 0,
                           LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    }
    if (image == nullptr) {
        return nullptr;
    }
    return CreateTextureFromBitmap(device, static_cast<HBITMAP>(image));
}
