// Writing piece profiles (.prt): the model file name at offset 0 and the
// piece name at offset 100, each zero-terminated within its field (32 and 128
// bytes). The viewer reads nothing else; a new profile carries zeros in every
// other byte and ends where the piece name's field ends, unless the bytes it
// does not read are taken from an existing profile (the game's own profiles
// may hold data there that other programs read).
#pragma once

#include "common/result.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// The length of a profile made from nothing: up to the end of the piece
// name's field, the last byte the viewer reads.
inline constexpr std::size_t kNewProfileBytes = 228;

// The profile naming `modelFile` and `pieceName` (8-bit texts as the viewer
// shows them). With `like`, bytes 32 to 99 and from 228 on, and the file's
// length, are copied from it; a `like` too short to hold the piece name and
// its zero is lengthened with zeros to hold them. Refused ("profile-field")
// when a text is empty, holds a zero byte, or does not fit its field with a
// zero after it (31 and 127 bytes at most).
Result<std::vector<std::uint8_t>> EncodePieceProfile(std::string_view modelFile,
                                                     std::string_view pieceName,
                                                     const std::vector<std::uint8_t>* like);
