#include "texture/txr_to_bmp.h"

#include "common/byte_order.h"
#include "common/file_io.h"

#include <algorithm>
#include <vector>

std::array<std::uint8_t, kBmpHeadersSize> EncodeBmpHeadersForTxr(const TxrHeader& header) {
    const bool paletted = header.bitsPerPixel == 8;
    const std::uint64_t pixelBytes = TxrLevelBytes(header, 0);
    const std::uint32_t pixelOffset = paletted ? 54 + 1024 : 54;
    std::array<std::uint8_t, kBmpHeadersSize> bytes{};
    // BITMAPFILEHEADER
    bytes[0] = 'B';
    bytes[1] = 'M';
    StoreLe32(&bytes[2], static_cast<std::uint32_t>(pixelOffset + pixelBytes));
    StoreLe32(&bytes[10], pixelOffset);
    // BITMAPINFOHEADER: positive height, so the rows are stored bottom-up.
    StoreLe32(&bytes[14], 40);
    StoreLe32(&bytes[18], static_cast<std::uint32_t>(header.width));
    StoreLe32(&bytes[22], static_cast<std::uint32_t>(header.height));
    StoreLe16(&bytes[26], 1);
    StoreLe16(&bytes[28], static_cast<std::uint16_t>(header.bitsPerPixel));
    StoreLe32(&bytes[46], paletted ? 256 : 0);
    return bytes;
}

namespace {

// Puts the `rows` rows of `stride` bytes at `pixels` in the opposite order.
void ReverseRows(std::uint8_t* pixels, std::size_t stride, std::size_t rows) {
    for (std::size_t top = 0, bottom = rows; top + 1 < bottom; ++top) {
        --bottom;
        std::swap_ranges(pixels + top * stride, pixels + (top + 1) * stride,
                         pixels + bottom * stride);
    }
}

// Level 0 of the texture at `texturePath` as a bitmap, into the output that
// `begin` opens for `bitmapPath`.
bool ConvertLevel0(const char* texturePath, const char* bitmapPath,
                   bool (*begin)(OutputFile&, const char*)) {
    InputFile input;
    if (!OpenInputFile(input, texturePath)) {
        return false;
    }
    // Only the header, the palette and level 0 are read; the smaller levels
    // behind them are never needed. The header and the palette come from the
    // input's head, the rows go from the file's bytes straight to the output.
    static_assert(kTxrHeaderSize + kTxrPaletteSize <= kInputHeadBytes);
    TxrHeader header;
    bool ok = input.size >= kTxrHeaderSize;
    if (ok) {
        header = DecodeTxrHeader(input.head);
        ok = IsReadableTxrHeader(header) && input.size >= TxrLevel0End(header);
    }
    std::vector<OutputSpan> spans;
    OutputFile output;
    if (ok) {
        // Header, colour table and the pixels: one piece in all when the
        // bytes were read into memory of our own, else one per row.
        spans.reserve(2 + (input.copy != nullptr ? 1 : static_cast<std::size_t>(header.height)));
        ok = begin(output, bitmapPath);
    }
    if (!ok) {
        CloseInputFile(input);
        return false;
    }
    const auto headers = EncodeBmpHeadersForTxr(header);
    spans.push_back({headers.data(), headers.size()});
    if (header.bitsPerPixel == 8) {
        // The palette entries are already blue, green, red, reserved: the
        // layout of a bitmap colour table.
        spans.push_back({input.head + kTxrHeaderSize, kTxrPaletteSize});
    }
    // A bitmap file keeps its rows bottom-up: the texture's last row first.
    const std::size_t level0Offset = TxrLevel0Offset(header.bitsPerPixel);
    const std::size_t stride =
        static_cast<std::size_t>(BitmapStride(header.width, header.bitsPerPixel));
    if (input.copy != nullptr) {
        // Bytes read into memory of our own: the rows change places there and
        // leave in one piece, with no second buffer to fill.
        std::uint8_t* level0 = input.copy.get() + level0Offset;
        ReverseRows(level0, stride, static_cast<std::size_t>(header.height));
        spans.push_back({level0, stride * static_cast<std::size_t>(header.height)});
    } else {
        // A mapping: each row is written straight from the texture's bytes.
        const std::uint8_t* level0 = input.data + level0Offset;
        for (std::int32_t row = header.height - 1; row >= 0; --row) {
            spans.push_back({level0 + static_cast<std::size_t>(row) * stride, stride});
        }
    }
    WriteOutputSpans(output, spans.data(), spans.size());
    // Every byte is now in the file or in the output's own buffer: the input
    // is released before the commit. Windows refuses to replace a file that
    // is mapped, so a texture converted onto its own name would otherwise
    // stay as it was.
    CloseInputFile(input);
    return CommitOutputFile(output);
}

} // namespace

bool ConvertTxrToBmp(const char* texturePath, const char* bitmapPath) {
    return ConvertLevel0(texturePath, bitmapPath, BeginOutputFile);
}

bool ConvertTxrToCreatedBmp(const char* texturePath, const char* bitmapPath) {
    return ConvertLevel0(texturePath, bitmapPath, BeginOutputIntoCreatedFile);
}
