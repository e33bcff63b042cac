// The About box (IDD_ABOUT). (The Please Wait box is the catalogue scan's.)
#pragma once

#include <windows.h>

// Runs the About box modally over `owner`.
void ShowAboutBox(HWND owner);

// Ends the About box on OK, Enter, Escape or its close box.
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
