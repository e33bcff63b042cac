#include "preview/display_win.h"

// The 3D preview is not built yet: the display calls succeed and do nothing.
HRESULT InitDisplay(HWND window, const GUID& deviceGuid) {
    (void)window;
    (void)deviceGuid;
    return S_OK;
}

void ReleaseDisplay() {}

HRESULT UpdatePresentRect() { return S_OK; }

HRESULT PresentFrame() { return S_OK; }
