// One frame of the preview: the fixed camera, the model turning about its
// vertical axis at one radian per second of the clock, and the present.
#pragma once

#include <windows.h>
#include <d3d.h>

// Draws and presents one frame. Returns 0.
HRESULT RenderFrame();
// Sets the view (the fixed camera) and the world transform (a turn of
// `angle` radians about the model's y axis).
void SetFrameTransforms(IDirect3DDevice7* device, float angle);
// Clears the frame to the preview's background; E_FAIL when the scene cannot
// begin.
HRESULT DrawEmptyFrame(IDirect3DDevice7* device);

// The millisecond clock that drives the turn: timeGetTime unless replaced
// (tests replace it to show the piece at a chosen time). Null restores it.
using FrameClock = DWORD (*)();
void SetFrameClock(FrameClock clock);
