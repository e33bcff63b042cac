#include "quantize/indexed_dib.h"
#include "quantize/level_palette.h"
#include "quantize/nearest_entry.h"

#include "support/literal_texture.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct Rgb {
    std::uint8_t red, green, blue;
};

// A 24-bit level of the given colours, row by row; padding bytes set to 0x7F
// so that a wrong row stride would read them as colours.
MipLevel LevelOf(int width, int height, const std::vector<Rgb>& colours) {
    MipLevel level;
    level.width = width;
    level.height = height;
    const std::size_t stride = MipStride(width, 24);
    level.bitmap.assign(stride * static_cast<std::size_t>(height), 0x7F);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb& c = colours[static_cast<std::size_t>(y * width + x)];
            std::uint8_t* p = level.bits() + static_cast<std::size_t>(y) * stride +
                              3 * static_cast<std::size_t>(x);
            p[0] = c.blue;
            p[1] = c.green;
            p[2] = c.red;
        }
    }
    return level;
}

std::vector<Rgb> Filled(int count, Rgb colour) {
    return std::vector<Rgb>(static_cast<std::size_t>(count), colour);
}

// The palette's entries as (red, green, blue) values, for readable failures.
std::uint32_t EntryValue(const LevelPalette& palette, int k) {
    const PaletteEntry& e = palette.entries[static_cast<std::size_t>(k)];
    return ColorValue(e.red, e.green, e.blue);
}

void ExpectBlackAndWhiteOnly(const LevelPalette& palette) {
    for (int k = 0; k < 255; ++k) {
        EXPECT_EQ(EntryValue(palette, k), 0u) << k;
    }
    EXPECT_EQ(EntryValue(palette, 255), 0xFFFFFFu);
}

TEST(BuildLevelPalette, PureBlackAndWhiteAreNeverCountedNearOnesAre) {
    std::vector<Rgb> colours = Filled(8, Rgb{0, 0, 0});
    colours[3] = Rgb{255, 255, 255};
    std::vector<MipLevel> levels{LevelOf(4, 2, colours)};
    EXPECT_TRUE(TakeColourCensus(levels.data(), 1).empty());
    ExpectBlackAndWhiteOnly(BuildLevelPalette(levels.data(), 1));
    ExpectBlackAndWhiteOnly(BuildLevelPalette(levels.data(), 0));
    ExpectBlackAndWhiteOnly(BuildLevelPalette(nullptr, -3));

    colours[5] = Rgb{0, 0, 1};       // near black
    colours[6] = Rgb{255, 255, 254}; // near white
    colours[7] = Rgb{0, 0, 1};
    levels[0] = LevelOf(4, 2, colours);
    const LevelPalette palette = BuildLevelPalette(levels.data(), 1);
    EXPECT_EQ(EntryValue(palette, 1), ColorValue(0, 0, 1));
    EXPECT_EQ(EntryValue(palette, 2), ColorValue(255, 255, 254));
    EXPECT_EQ(EntryValue(palette, 3), 0u); // the rest stays black
    EXPECT_EQ(EntryValue(palette, 255), 0xFFFFFFu);
    for (const PaletteEntry& e : palette.entries) {
        EXPECT_EQ(e.flags, 0);
    }
    EXPECT_EQ(palette.version, 0x300);
    EXPECT_EQ(palette.entryCount, 256);
}

TEST(BuildLevelPalette, WeightsAreTheSquareOfTheLevelNumberFromOne) {
    // Level 0: colour A on 3 pixels, B on 1; level 1: B on 1 pixel (weight 4);
    // level 2: C on 1 pixel (weight 9). So C 9, B 5, A 3.
    const Rgb a{10, 20, 30}, b{40, 50, 60}, c{70, 80, 90};
    std::vector<MipLevel> levels{LevelOf(4, 1, {a, a, a, b}), LevelOf(2, 1, {b, Rgb{0, 0, 0}}),
                                 LevelOf(1, 1, {c})};
    const std::vector<ColorWeight> census = TakeColourCensus(levels.data(), 3);
    ASSERT_EQ(census.size(), 3u);
    EXPECT_EQ(census[0].color, ColorValue(10, 20, 30));
    EXPECT_EQ(census[0].weight, 3);
    EXPECT_EQ(census[1].weight, 5);
    EXPECT_EQ(census[2].weight, 9);
    const LevelPalette palette = BuildLevelPalette(levels.data(), 3);
    EXPECT_EQ(EntryValue(palette, 1), ColorValue(70, 80, 90));
    EXPECT_EQ(EntryValue(palette, 2), ColorValue(40, 50, 60));
    EXPECT_EQ(EntryValue(palette, 3), ColorValue(10, 20, 30));
    // One pixel of level 1 (weight 4) outranks three of level 0.
    std::vector<MipLevel> two{LevelOf(4, 1, {a, a, a, Rgb{1, 1, 1}}),
                              LevelOf(2, 1, {b, Rgb{1, 1, 1}})};
    const LevelPalette p2 = BuildLevelPalette(two.data(), 2);
    EXPECT_EQ(EntryValue(p2, 1), ColorValue(1, 1, 1)); // 1 + 4
    EXPECT_EQ(EntryValue(p2, 2), ColorValue(40, 50, 60));
    EXPECT_EQ(EntryValue(p2, 3), ColorValue(10, 20, 30));
}

TEST(BuildLevelPalette, EqualWeightsKeepTheirFirstOrderAndOnly254Fit) {
    // 255 distinct colours of weight 1, met in a known order; then the same
    // with one of them on a second pixel.
    std::vector<Rgb> colours;
    for (int k = 0; k < 256; ++k) {
        colours.push_back(Rgb{static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(255 - k), 7});
    }
    colours[255] = Rgb{255, 255, 255}; // not counted: 255 counted colours remain
    std::vector<MipLevel> levels{LevelOf(16, 16, colours)};
    LevelPalette palette = BuildLevelPalette(levels.data(), 1);
    for (int k = 1; k <= 254; ++k) {
        ASSERT_EQ(EntryValue(palette, k), ColorValue(static_cast<std::uint8_t>(k - 1),
                                                     static_cast<std::uint8_t>(256 - k), 7))
            << k;
    }
    EXPECT_EQ(EntryValue(palette, 255), 0xFFFFFFu); // colour 254 was the 255th: cut

    colours[255] = colours[254]; // now colour 254 weighs 2 and comes first
    levels[0] = LevelOf(16, 16, colours);
    palette = BuildLevelPalette(levels.data(), 1);
    EXPECT_EQ(EntryValue(palette, 1), ColorValue(254, 1, 7));
    EXPECT_EQ(EntryValue(palette, 2), ColorValue(0, 255, 7));
    EXPECT_EQ(EntryValue(palette, 254), ColorValue(252, 3, 7)); // 253 is cut

    // Exactly 254 counted colours: each gets an entry.
    colours[255] = Rgb{0, 0, 0};
    colours[254] = Rgb{255, 255, 255};
    levels[0] = LevelOf(16, 16, colours);
    palette = BuildLevelPalette(levels.data(), 1);
    EXPECT_EQ(EntryValue(palette, 254), ColorValue(253, 2, 7));
}

TEST(BuildLevelPalette, RowPaddingIsNeverCounted) {
    // Width 5: rows of 15 pixel bytes and one padding byte (0x7F). A stride of
    // 15 would read the second row shifted by one byte.
    std::vector<Rgb> colours;
    for (int k = 0; k < 10; ++k) {
        colours.push_back(Rgb{static_cast<std::uint8_t>(k + 1), 2, 3});
    }
    std::vector<MipLevel> levels{LevelOf(5, 2, colours)};
    const std::vector<ColorWeight> census = TakeColourCensus(levels.data(), 1);
    ASSERT_EQ(census.size(), 10u);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(census[static_cast<std::size_t>(k)].color,
                  ColorValue(static_cast<std::uint8_t>(k + 1), 2, 3));
        EXPECT_EQ(census[static_cast<std::size_t>(k)].weight, 1);
    }
}

TEST(NearestEntrySearch, LeastSquaredDistanceLowestIndexOnTies) {
    LevelPalette palette;
    palette.entries[255] = PaletteEntry{255, 255, 255, 0};
    palette.entries[3] = PaletteEntry{100, 100, 100, 0};
    palette.entries[7] = PaletteEntry{100, 100, 100, 0};
    palette.entries[9] = PaletteEntry{110, 100, 100, 0};
    palette.entries[12] = PaletteEntry{90, 100, 100, 0};
    const NearestEntrySearch search(palette);
    EXPECT_EQ(search.Find(ColorValue(100, 100, 100)), 3); // first entry holding it
    EXPECT_EQ(search.Find(0), 0);                         // black: entry 0, not a later black
    EXPECT_EQ(search.Find(0xFFFFFF), 255);
    EXPECT_EQ(search.Find(ColorValue(105, 100, 100)), 3); // 25 to both 3 and 9
    EXPECT_EQ(search.Find(ColorValue(106, 100, 100)), 9);
    EXPECT_EQ(search.Find(ColorValue(95, 100, 100)), 3);  // 25 to 3 and 12
    EXPECT_EQ(search.Find(ColorValue(100, 200, 100)), 3); // far off in green alone
}

TEST(NearestEntrySearch, AgreesWithTheSearchOverAllEntries) {
    std::mt19937 random(12345);
    for (int round = 0; round < 40; ++round) {
        LevelPalette palette;
        // Few distinct values per channel make ties frequent.
        const int spread = round % 2 == 0 ? 4 : 256;
        for (int k = 1; k < 255; ++k) {
            palette.entries[static_cast<std::size_t>(k)] =
                PaletteEntry{static_cast<std::uint8_t>(random() % spread * (256 / spread)),
                             static_cast<std::uint8_t>(random() % spread * (256 / spread)),
                             static_cast<std::uint8_t>(random() % spread * (256 / spread)), 0};
        }
        palette.entries[255] = PaletteEntry{255, 255, 255, 0};
        std::array<std::uint8_t, 1024> table{};
        for (std::size_t k = 0; k < 256; ++k) {
            table[4 * k] = palette.entries[k].blue;
            table[4 * k + 1] = palette.entries[k].green;
            table[4 * k + 2] = palette.entries[k].red;
        }
        const NearestEntrySearch search(palette);
        PaletteIndexCache cache(palette);
        for (int i = 0; i < 2000; ++i) {
            const std::uint32_t colour = random() & 0xFFFFFF;
            const std::uint8_t expected = literal::Nearest(table, static_cast<int>(colour >> 16),
                                                           static_cast<int>((colour >> 8) & 0xFF),
                                                           static_cast<int>(colour & 0xFF));
            ASSERT_EQ(search.Find(colour), expected) << std::hex << colour;
            ASSERT_EQ(cache.IndexOf(colour), expected);
            ASSERT_EQ(cache.IndexOf(colour), expected); // remembered
        }
    }
}

TEST(CreateIndexedDib, HeaderAndColourTableOfATopDownEightBitBitmap) {
    LevelPalette palette;
    for (int k = 0; k < 256; ++k) {
        palette.entries[static_cast<std::size_t>(k)] =
            PaletteEntry{static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k * 3),
                         static_cast<std::uint8_t>(k * 7), 0x5A};
    }
    const IndexedDib dib = CreateIndexedDib(palette, 64, 32);
    EXPECT_EQ(dib.header.size, 40u);
    EXPECT_EQ(dib.header.width, 64);
    EXPECT_EQ(dib.header.height, -32);
    EXPECT_EQ(dib.header.planes, 1);
    EXPECT_EQ(dib.header.bitCount, 8);
    EXPECT_EQ(dib.header.compression, 0u);
    EXPECT_EQ(dib.header.clrUsed, 256u);
    EXPECT_EQ(dib.header.clrImportant, 0u);
    for (std::size_t k = 0; k < 256; ++k) {
        ASSERT_EQ(dib.colourTable[4 * k], palette.entries[k].blue);
        ASSERT_EQ(dib.colourTable[4 * k + 1], palette.entries[k].green);
        ASSERT_EQ(dib.colourTable[4 * k + 2], palette.entries[k].red);
        ASSERT_EQ(dib.colourTable[4 * k + 3], 0); // flags are not copied
    }
    EXPECT_EQ(dib.bits.size(), 64u * 32u);
    EXPECT_EQ(CreateIndexedDib(palette, 5, 3).bits, Bytes(8 * 3, 0));
    EXPECT_EQ(CreateIndexedDib(palette, 2, 2).bits.size(), 8u);
}

} // namespace
