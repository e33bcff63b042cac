// Display and Direct3D device set-up on the preview pane.
#pragma once

#include <windows.h>

// Creates every display object for `window` with the device of `deviceGuid`.
HRESULT InitDisplay(HWND window, const GUID& deviceGuid);
// Releases every display object; safe when some or all are missing.
void ReleaseDisplay();
// Recomputes the present rectangle from the preview window's position.
HRESULT UpdatePresentRect();
// Presents the back buffer into the preview pane; harmless without a display.
HRESULT PresentFrame();
