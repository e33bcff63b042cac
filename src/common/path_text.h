// Path texts: zero-terminated 8-bit strings in the ANSI code page, kept in
// fixed buffers of 260 bytes, the Win32 path limit (at most 259 characters).
#pragma once

#include <cstddef>

inline constexpr std::size_t kPathCapacity = 260;
inline constexpr std::size_t kPathMaxLength = kPathCapacity - 1;

// Copies `source` into `target` (capacity bytes). Returns false, leaving
// `target` empty, when the text with its terminator does not fit.
bool CopyPathText(char* target, std::size_t capacity, const char* source);

// Writes folder + "\" + name into `target`. Returns false, leaving `target`
// empty, when the joined text does not fit.
bool JoinPath(char* target, std::size_t capacity, const char* folder, const char* name);

// Offset of the first character of the file-name part: the character after the
// last path separator ("\" or "/") or drive colon. On Windows the scan honours
// double-byte characters of the ANSI code page, whose trail byte may be 0x5C,
// the byte of "\".
std::size_t FileNameOffset(const char* path);

// True when the text's last character is "\" (a trail byte 0x5C of a
// double-byte character on Windows does not count).
bool EndsWithBackslash(const char* path);

// True when a name taken from a data file could leave the folder it is joined
// to: empty, absolute, a drive or UNC path, or any separator or ".." part.
bool IsPlainFileName(const char* name);
