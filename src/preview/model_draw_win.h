// Drawing of an MSM model image with the preview's device.
#pragma once

#include <windows.h>
#include <d3d.h>

#include <cstddef>

// The preview's clear colour (red 0x77, green 0x77, blue 0xFF) and depth.
inline constexpr DWORD kClearColour = 0x007777FF;
inline constexpr float kClearDepth = 1.0f;

// Clears the frame and draws every group of the model as a triangle fan with
// the texture of its slot, walking the image in place. The image is one that
// the layout walk accepted when it was loaded. 0 when the scene was drawn,
// E_FAIL when it could not begin.
HRESULT DrawModel(IDirect3DDevice7* device, const BYTE* modelImage, std::size_t modelImageSize);
