// The folder locations dialog (IDD_FOLDERS) and the shell's folder browser.
#pragma once

#include <windows.h>

// Dialog procedure of IDD_FOLDERS. The dialog ends with 1 after "Load" and 0
// after "Cancel". A folder chosen with a "..." button is stored at once, before
// and whether or not the dialog is confirmed; "Load" stores the three edit
// boxes in order and stops at the first empty or over-long one with the
// "Loading Error" box, keeping the fields copied before it.
INT_PTR CALLBACK FolderDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the shell's folder browser over `owner` with `prompt` (or none) as its
// title text. When the user chooses a folder of the file system, its path is
// written to `buffer` (260 bytes) and the result is true. A cancelled browser,
// or a choice with no file-system path (such as the computer's root), leaves
// `buffer` as it was and gives false.
bool BrowseForFolder(HWND owner, char* buffer, const char* prompt);
