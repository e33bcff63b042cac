// The About box (IDD_ABOUT) and the Please Wait box (IDD_PLEASE_WAIT).
#pragma once

#include <windows.h>

// Runs the About box modally over `owner`.
void ShowAboutBox(HWND owner);

// Ends the About box on OK, Enter, Escape or its close box.
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The Please Wait box shows a fixed text and handles no input; the catalogue
// scan creates and destroys it.
INT_PTR CALLBACK WaitDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
