// The one record of process-wide state of the viewer (Windows build only).
#pragma once

#include "catalogue/piece_record.h"
#include "common/path_text.h"

#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

#include <vector>

inline constexpr int kTextureSlots = 17;

struct AppState {
    HINSTANCE instance;
    HWND mainWindow;
    HWND previewWindow; // the preview frame, child control 1011
    LONG appActive;     // active and not minimised
    LONG deviceReady;   // the display objects exist and may be used

    char profileFolder[kPathCapacity];
    char modelFolder[kPathCapacity];
    char textureFolder[kPathCapacity];

    // The pieces of the last scan in list order: record i is item i of the
    // piece list. It grows with the scan, so no qualifying profile is dropped.
    std::vector<PieceRecord> pieceTable;

    // The whole model file of the piece on show, in one fixed global memory
    // block, or null; modelImageSize is its length in bytes.
    BYTE* modelImage;
    DWORD modelImageSize;
    char modelPath[kPathCapacity]; // model file last tried
    IDirectDrawSurface7* textureTable[kTextureSlots];

    IDirectDraw7* directDraw;
    IDirect3D7* direct3D;
    IDirect3DDevice7* device;
    IDirectDrawSurface7* primarySurface;
    IDirectDrawSurface7* backBuffer;
    IDirectDrawSurface7* zBuffer;
    RECT presentRect;

    // The texture file each slot of textureTable was last loaded from (empty
    // when none), so that the slots can be loaded again for a new device.
    char textureSource[kTextureSlots][kPathCapacity];
};

extern AppState appState;
