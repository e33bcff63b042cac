// Direct3D texture surfaces made from Windows bitmaps: one level, a 16-bit
// format without alpha, the picture copied on through GDI.
#pragma once

#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

// A texture surface of `device` holding the bitmap named `bitmapName` (a
// bitmap resource of the program, or else a bitmap file), or null. The file
// is not held open after the call. The caller owns the one reference.
IDirectDrawSurface7* LoadTextureSurface(IDirect3DDevice7* device, const char* bitmapName);

// A texture surface of `device` holding `bitmap`, or null. Takes the bitmap
// over: it is deleted before the call returns, whatever the result.
IDirectDrawSurface7* CreateTextureFromBitmap(IDirect3DDevice7* device, HBITMAP bitmap);

// Texture-format enumeration callback: takes the first format without
// luminance, bump-map, FourCC or alpha whose RGB bit count is 16. `context`
// points at the DDPIXELFORMAT to fill.
HRESULT CALLBACK PickTextureFormat(DDPIXELFORMAT* format, void* context);
