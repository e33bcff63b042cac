// Files of a map piece: profiles and one-colour textures.
#pragma once

#include "builders/file_bytes.h"

#include <cstddef>
#include <cstdint>
#include <string>

// A profile: the model file name at offset 0 (32 bytes), the piece name at
// offset 100 (128 bytes), the bytes between filled with 0xA5 (never text),
// the file cut or padded with zeros to `size` bytes.
Bytes ProfileBytes(const std::string& modelFile, const std::string& pieceName,
                   std::size_t size = 256);

// A 24-bit texture of side x side pixels in one colour (0xRRGGBB), one level.
Bytes SolidTxr(std::uint32_t colour, int side = 64);
