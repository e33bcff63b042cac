#pragma once

#include <cstddef>

// Changes the extension of the file named by `text` in place: the text is cut
// at the last "." of its file-name part and `extension` (which brings its own
// dot) is appended there; a file name without "." gets the extension appended.
// Only the file-name part is looked at, so a dot in a folder name never
// shortens the path ("maps.old\tex" becomes "maps.old\tex.txr").
// Returns false, leaving `text` unchanged, when the result would not fit in
// `capacity` bytes.
bool ReplaceExtension(char* text, std::size_t capacity, const char* extension);
