// Display and Direct3D device set-up on the preview pane: a DirectDraw object
// at the normal (windowed) level, a primary surface clipped to the pane, an
// off-screen render target of the pane's size with a depth buffer, and a
// Direct3D device drawing into it. Each frame is copied to the pane with one
// blit.
#pragma once

#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

// Creates every display object for `window` with the depth formats and depth
// buffer placement of `deviceGuid`. 0 on success; otherwise the failing
// call's result, E_FAIL when no depth-only format is offered, or
// DDERR_INVALIDMODE on a display of 8 or fewer bits per pixel. Objects made
// before a failure stay until ReleaseDisplay. On success the texture slots of
// the piece on show are loaded again for the new device.
HRESULT InitDisplay(HWND window, const GUID& deviceGuid);
// Releases every display object that is held, and the texture surfaces made
// for its device; safe when some or all are missing. Returns 0.
HRESULT ReleaseDisplay();
// Recomputes the present rectangle from the preview window's position.
HRESULT UpdatePresentRect();
// Copies the back buffer to the pane; E_FAIL while the display is missing or
// only partly made (no depth buffer or no device).
HRESULT PresentFrame();
// Restores whichever of the primary surface, back buffer and depth buffer are
// lost. Returns 0.
HRESULT RestoreSurfaces();
// Material, ambient light, projection and depth test of the preview.
HRESULT SetDefaultRenderStates(IDirect3DDevice7* device);
// Depth-format enumeration callback: takes the first format that is a depth
// buffer and nothing else (no stencil). `context` points at a DDPIXELFORMAT.
HRESULT CALLBACK PickZBufferFormat(DDPIXELFORMAT* format, void* context);
