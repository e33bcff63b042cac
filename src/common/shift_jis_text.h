// Piece names and texture names are Shift-JIS bytes (code page 932) in the
// files. piecetool prints and exports them as UTF-8; a byte that does not
// start a valid Shift-JIS character is shown as a "\xNN" escape, so that no
// byte of a name is ever dropped from what the user sees.
#pragma once

#include "common/result.h"

#include <string>
#include <string_view>

// The UTF-8 text of the code-page-932 bytes `bytes`; always valid UTF-8.
std::string ShiftJisToUtf8(std::string_view bytes);

// The code-page-932 bytes of the UTF-8 text `utf8`, exactly: every character
// must have a code of its own that ShiftJisToUtf8 turns back into the same
// character, so there is no best-fit substitution (a wave dash U+301C is not
// written as the fullwidth tilde that 0x81 0x60 stands for). Refused with
// "text-not-utf8" when the bytes are not UTF-8, and "text-not-shift-jis"
// naming the first character the code page cannot hold.
Result<std::string> Utf8ToShiftJis(std::string_view utf8);

// `bytes` (a file name, as the system gives it) as one line of UTF-8 text for
// the terminal or a report: bytes that are not part of a well-formed UTF-8
// character are shown as "\xNN", a line feed as "\n" and every other control
// character as "\xNN", so that a name never breaks the line it is printed on
// nor hands the terminal bytes it cannot show.
std::string ShownText(std::string_view bytes);

// Text from the command line or a path as UTF-8: on Windows the ANSI code
// page's text (what an ANSI program's arguments hold), on Linux unchanged.
std::string SystemTextToUtf8(const std::string& text);

#ifdef _WIN32
// `text` in code page `codePage` as UTF-16; empty when it holds nothing
// convertible.
std::wstring Widen(std::string_view text, unsigned codePage);
#endif
