// Piece names and texture names are Shift-JIS bytes (code page 932) in the
// files. piecetool prints and exports them as UTF-8; a byte that does not
// start a valid Shift-JIS character is shown as a "\xNN" escape, so that no
// byte of a name is ever dropped from what the user sees.
#pragma once

#include <string>
#include <string_view>

// The UTF-8 text of the code-page-932 bytes `bytes`; always valid UTF-8.
std::string ShiftJisToUtf8(std::string_view bytes);
