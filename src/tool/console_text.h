// Text for the terminal. piecetool's messages are UTF-8 (piece names are
// turned from Shift-JIS into UTF-8 before they are printed). A Linux terminal
// shows UTF-8 as it is; a Windows console shows it correctly only when it is
// handed wide characters, so there the text goes through WriteConsoleW while
// the stream is a console, and as UTF-8 bytes when it is a file or a pipe.
#pragma once

#include <cstdio>
#include <string_view>

// Writes `utf8` to `stream` (stdout or stderr) as the terminal needs it.
void WriteText(std::FILE* stream, std::string_view utf8);

// WriteText followed by a line end.
void WriteLine(std::FILE* stream, std::string_view utf8);

// True when `stream` (stdout or stderr) is a terminal or console rather than
// a file or a pipe: progress is drawn only there.
bool IsTerminal(std::FILE* stream);
