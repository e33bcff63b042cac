#pragma once

#include <windows.h>

// Texture/Information: lists the texture files of the piece on show.
void ShowTextureNames(HINSTANCE instance, HWND owner);
// Texture/Export: writes every texture of the piece at the caret as a bitmap.
void ExportTextures();
