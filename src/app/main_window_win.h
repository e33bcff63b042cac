// The main window of the viewer: its class, child controls and procedure.
#pragma once

#include <windows.h>

inline constexpr char kMainClassName[] = "TXR_BMP Converter for win";
inline constexpr char kMainTitle[] = "Varnholt-Map Piece Viewer";
// Caption, system menu and minimise box; no sizing border, no maximise box.
inline constexpr DWORD kMainStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
inline constexpr int kMainWidth = 640;
inline constexpr int kMainHeight = 440;

// Registers the main window class with the menu IDR_MENU.
ATOM RegisterMainClass(HINSTANCE instance);

// Creates the main window; null when it cannot be created.
HWND CreateMainWindow(HINSTANCE instance);

// Makes the Shift-JIS font and the eight child controls of `parent`, and
// keeps the preview frame's handle in appState.previewWindow.
void CreateChildControls(HWND parent);

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
