#include "builders/piece_files.h"

#include "builders/txr_builder.h"

#include <algorithm>
#include <cstring>

Bytes ProfileBytes(const std::string& modelFile, const std::string& pieceName, std::size_t size) {
    Bytes bytes(std::max<std::size_t>(size, 228), 0);
    std::fill(bytes.begin() + 32, bytes.begin() + 100, 0xA5);
    std::memcpy(bytes.data(), modelFile.data(), std::min<std::size_t>(modelFile.size(), 32));
    std::memcpy(bytes.data() + 100, pieceName.data(), std::min<std::size_t>(pieceName.size(), 128));
    bytes.resize(size);
    return bytes;
}

Bytes SolidTxr(std::uint32_t colour, int side) {
    TestTexture t;
    t.width = side;
    t.height = side;
    t.bitsPerPixel = 24;
    t.levelCount = 1;
    t.pixel = [colour](int, int, int channel) {
        return static_cast<std::uint8_t>(colour >> (8 * channel)); // blue, green, red
    };
    return BuildTxr(t);
}
