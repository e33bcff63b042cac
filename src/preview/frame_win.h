#pragma once

#include <windows.h>

// Draws and presents one frame of the turning piece.
HRESULT RenderFrame();
