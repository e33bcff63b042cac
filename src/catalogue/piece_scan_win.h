// The scan of the profile folder that fills the piece list.
#pragma once

#include <windows.h>

// Runs the folder locations dialog and, unless it is cancelled, lists every
// qualifying profile of the profile folder: list 1012 and `pieceTable` are
// refilled in the order of the profiles' file names, the piece list gets the
// focus and item 0 is selected.
void ScanPieceCatalogue(HINSTANCE instance, HWND owner);

// Starts a file search for `pattern` in `folder` and writes the full path of
// the first match (folder, a backslash unless the folder ends in one, the
// long file name) to `path` (260 bytes). Matches whose full path does not fit
// are passed over. False, with no search left open, when nothing matches.
bool FindFirstInFolder(HANDLE* search, const char* folder, const char* pattern, char* path);

// The next match of a search begun by FindFirstInFolder, its full path formed
// the same way. When there is none the search handle is closed and the result
// is false. `pattern` has no effect: the search goes on with its first one.
bool FindNextInFolder(HANDLE search, const char* folder, const char* pattern, char* path);
