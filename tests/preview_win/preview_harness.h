// A stand-in for the viewer's main window in tests and benchmarks: a
// top-level window with the preview pane and the piece list placed as the
// viewer places them, and helpers that read rendered pixels back.
#pragma once

#include "app/app_state.h"
#include "support/screen_capture_win.h"
#include "support/scratch.h"

#include <windows.h>
#include <ddraw.h>

#include <cstdint>
#include <string>
#include <vector>

struct PreviewHost {
    HWND mainWindow = nullptr;
    HWND pane = nullptr;      // bordered 320 x 360 frame, client 318 x 358
    HWND pieceList = nullptr; // control IDC_PIECE_LIST of the main window
};

// Creates and shows the windows and makes the pane appState.previewWindow.
bool CreatePreviewHost(PreviewHost& host);
void PumpMessages();

// Releases the display, frees the model and empties every texture slot.
void ResetPreviewState();

// Fills the piece table and the piece list with one piece per model file and
// puts the caret on `caret`.
void SetPieces(PreviewHost& host, const std::vector<std::string>& modelFiles, int caret);
void SelectPiece(PreviewHost& host, int caret);

// The colour of one pixel of a surface as 0xRRGGBB, whatever its RGB layout;
// 0xFFFFFFFF when the surface cannot be locked.
std::uint32_t SurfaceColour(IDirectDrawSurface7* surface, int x, int y);
// Every pixel of a surface of width x height, rows from the top, 0xRRGGBB;
// empty when the surface gives no device context.
std::vector<std::uint32_t> SurfacePixels(IDirectDrawSurface7* surface, int width, int height);
