#include "app/texture_commands_win.h"

// The texture commands are not built yet: they do nothing.
void ShowTextureNames(HINSTANCE instance, HWND owner) {
    (void)instance;
    (void)owner;
}

void ExportTextures() {}
