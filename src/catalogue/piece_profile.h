// The two fields of a PRT piece profile file that the viewer reads.
//
//   offset   0, 32 bytes: the model file name (file name and extension of the
//                         piece's model in the model folder)
//   offset 100, 128 bytes: the piece name shown in the piece list
//
// Both are 8-bit texts in the ANSI code page. A field's text ends at its first
// zero byte or at the end of the field. Bytes past the end of a short file
// read as zero, so a file that ends before offset 101 has no piece name. All
// other bytes of a profile are of no concern to the viewer.
#pragma once

#include "catalogue/piece_record.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr std::size_t kProfileModelFileOffset = 0;
inline constexpr std::size_t kProfilePieceNameOffset = 100;
// Only the leading bytes up to the end of the piece name are read.
inline constexpr std::size_t kProfileBytesRead = kProfilePieceNameOffset + kPieceNameBytes;

// The record of a profile whose leading bytes are `bytes` (`size` of them,
// fewer than kProfileBytesRead for a short file). Both fields are copied byte
// for byte, so bytes after a field's first zero are kept as they are.
PieceRecord PieceRecordFromProfileBytes(const std::uint8_t* bytes, std::size_t size);

// Reads the record of the profile file at `path`. False, with `record` all
// zero, when the file cannot be opened.
bool ReadPieceProfile(const char* path, PieceRecord& record);

// The text of a field: up to its first zero byte or its end.
std::string_view FieldText(const char* field, std::size_t fieldSize);

// Writes modelFolder + "\" + the record's model file name into `target`.
// False, leaving `target` empty, when the path does not fit.
bool JoinModelPath(char* target, std::size_t capacity, const char* modelFolder,
                   const PieceRecord& record);

// A profile describes a piece when both its model file name and its piece
// name are non-empty.
bool IsQualifyingPiece(const PieceRecord& record);

// The order of the piece list: profile file names compared character by
// character, ASCII symbols before digits before letters, letters without
// regard to case, bytes of the upper half (double-byte text) last. For names
// of letters, digits and symbols other than "-" and "'" (which the locale's
// word sort passes over) this is the order in which a sorted Win32 list box
// keeps them, and so the order of the catalogue scan.
// Negative, zero or positive as `a` sorts before, with, or after `b`.
int CompareProfileNames(std::string_view a, std::string_view b);
