// Loading the piece under the caret of the piece list into the preview: its
// model whole into memory, and each texture the model names into the slot of
// its position in the model's list.
#pragma once

#include <windows.h>

// Loads the model and textures of the piece at the caret of the piece list
// (control IDC_PIECE_LIST of `mainWindow`). Returns 0.
HRESULT LoadSelectedPiece(HWND mainWindow);

// Releases every texture surface of the slots, keeping what each was loaded
// from (the surfaces belong to the device that is being released).
void ReleaseTextureSlots();
// Loads every slot again from the texture file it was last loaded from, for
// the current device.
void ReloadTextureSlots();
