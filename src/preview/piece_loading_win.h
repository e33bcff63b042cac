#pragma once

#include <windows.h>

// Loads the model and textures of the piece at the caret of the piece list.
HRESULT LoadSelectedPiece(HWND mainWindow);
