#include "preview/piece_loading_win.h"

// The 3D preview is not built yet: nothing is loaded.
HRESULT LoadSelectedPiece(HWND mainWindow) {
    (void)mainWindow;
    return S_OK;
}
