// The palette quantizer's parts that the texture comparison does not reach
// directly: the nearest-entry search on crafted palettes, the indexed bitmap.
#include "quantize/indexed_dib.h"
#include "quantize/level_palette.h"
#include "quantize/nearest_entry.h"

#include "support/literal_texture.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

namespace {

TEST(BuildLevelPalette, NoLevelsGiveBlackThenWhite) {
    const LevelPalette palette = BuildLevelPalette(nullptr, -3);
    for (std::size_t k = 0; k < 256; ++k) {
        const PaletteEntry& e = palette.entries[k];
        EXPECT_EQ(ColorValue(e.red, e.green, e.blue), k == 255 ? 0xFFFFFFu : 0u) << "entry " << k;
    }
}

TEST(NearestEntrySearch, AgreesWithTheSearchOverAllEntries) {
    std::mt19937 random(12345);
    for (int round = 0; round < 40; ++round) {
        LevelPalette palette;
        const int spread = round % 2 == 0 ? 4 : 256; // few values per channel: many ties
        auto value = [&] { return static_cast<std::uint8_t>(random() % spread * (256 / spread)); };
        for (std::size_t k = 1; k < 255; ++k) {
            palette.entries[k] = PaletteEntry{value(), value(), value(), 0};
        }
        palette.entries[255] = PaletteEntry{255, 255, 255, 0};
        std::array<std::uint8_t, 1024> table{}; // blue, green, red, 0
        for (std::size_t k = 0; k < 256; ++k) {
            table[4 * k] = palette.entries[k].blue;
            table[4 * k + 1] = palette.entries[k].green;
            table[4 * k + 2] = palette.entries[k].red;
        }
        const NearestEntrySearch search(palette);
        PaletteIndexCache cache(palette);
        for (int i = 0; i < 2000; ++i) {
            const std::uint32_t colour = random() & 0xFFFFFF; // red in the low byte
            const std::uint8_t expected = literal::Nearest(table, static_cast<int>(colour >> 16),
                                                           static_cast<int>((colour >> 8) & 0xFF),
                                                           static_cast<int>(colour & 0xFF));
            ASSERT_EQ(search.Find(colour), expected) << std::hex << colour << ": nearest, lowest";
            ASSERT_EQ(cache.IndexOf(colour), expected) << "the cache looks it up";
            ASSERT_EQ(cache.IndexOf(colour), expected) << "the cache remembers it";
        }
    }
}

TEST(NearestEntrySearch, AnEntryAsFarOffInGreenAloneStillWinsATieByItsLowerIndex) {
    LevelPalette palette;
    palette.entries[255] = PaletteEntry{255, 255, 255, 0};
    palette.entries[9] = PaletteEntry{110, 100, 100, 0}; // red 10 off: met first, by green
    palette.entries[5] = PaletteEntry{100, 110, 100, 0}; // green 10 off: the same distance
    EXPECT_EQ(NearestEntrySearch(palette).Find(ColorValue(100, 100, 100)), 5)
        << "equal distances go to the lower index, wherever its green lies";
}

TEST(CreateIndexedDib, ATopDownEightBitBitmapWithThePaletteAsItsTable) {
    LevelPalette palette;
    for (std::size_t k = 0; k < 256; ++k) {
        palette.entries[k] =
            PaletteEntry{static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k * 3),
                         static_cast<std::uint8_t>(k * 7), 0x5A};
    }
    const IndexedDib dib = CreateIndexedDib(palette, 64, 32);
    const auto& h = dib.header;
    EXPECT_EQ(std::tie(h.size, h.width, h.height, h.planes, h.bitCount, h.compression, h.clrUsed),
              std::make_tuple(40u, 64, -32, std::uint16_t{1}, std::uint16_t{8}, 0u, 256u))
        << "40-byte header, 64 x 32 top-down, 8 bits, 256 colours";
    for (std::size_t k = 0; k < 256; ++k) {
        const Bytes entry(dib.colourTable.begin() + 4 * k, dib.colourTable.begin() + 4 * k + 4);
        ASSERT_EQ(entry, (Bytes{palette.entries[k].blue, palette.entries[k].green,
                                palette.entries[k].red, 0}))
            << "entry " << k << ": blue, green, red, and no flags";
    }
    EXPECT_EQ(dib.bits.size(), 64u * 32u);
    EXPECT_EQ(CreateIndexedDib(palette, 5, 3).bits, Bytes(8 * 3, 0)) << "rows padded to 4";
}

} // namespace
