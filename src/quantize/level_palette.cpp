#include "quantize/level_palette.h"

#include "quantize/colour_slots.h"

#include <algorithm>

std::vector<ColorWeight> TakeColourCensus(const LevelView* levels, std::int32_t levelCount) {
    std::vector<ColorWeight> census;
    if (levels == nullptr || levelCount < 1) {
        return census;
    }
    ColourSlots slots(4096);
    constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    for (std::int32_t i = 0; i < levelCount; ++i) {
        const LevelView& level = levels[i];
        const std::int32_t weight = (i + 1) * (i + 1);
        // Neighbouring pixels often share a colour: keep the last record.
        std::uint32_t lastColour = kNone;
        std::uint32_t lastRecord = 0;
        for (std::int32_t y = 0; y < level.height; ++y) {
            const std::uint8_t* p = level.bits + static_cast<std::size_t>(y) * level.stride;
            for (std::int32_t x = 0; x < level.width; ++x, p += 3) {
                const std::uint32_t colour = ColorValue(p[2], p[1], p[0]);
                if (colour == 0 || colour == 0xFFFFFFu) {
                    continue; // pure black and pure white have their own entries
                }
                if (colour != lastColour) {
                    bool added = false;
                    lastRecord =
                        slots.FindOrAdd(colour, static_cast<std::uint32_t>(census.size()), added);
                    if (added) {
                        census.push_back(ColorWeight{colour, 0});
                    }
                    lastColour = colour;
                }
                census[lastRecord].weight += weight;
            }
        }
    }
    return census;
}

LevelPalette BuildLevelPalette(const LevelView* levels, std::int32_t levelCount) {
    std::vector<ColorWeight> census = TakeColourCensus(levels, levelCount);
    // Heaviest first; equal weights keep the census order (first met first).
    // Only the 254 heaviest are needed, so only they are put in order: the
    // census position breaks ties, which makes the order total and the partial
    // sort agree with a stable sort of the whole census.
    std::vector<std::uint32_t> order(census.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        order[k] = static_cast<std::uint32_t>(k);
    }
    const std::size_t n = std::min<std::size_t>(254, census.size());
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(n), order.end(),
                      [&census](std::uint32_t a, std::uint32_t b) {
                          return census[a].weight > census[b].weight ||
                                 (census[a].weight == census[b].weight && a < b);
                      });
    LevelPalette palette;
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint32_t colour = census[order[k]].color;
        PaletteEntry& entry = palette.entries[k + 1];
        entry.red = static_cast<std::uint8_t>(colour);
        entry.green = static_cast<std::uint8_t>(colour >> 8);
        entry.blue = static_cast<std::uint8_t>(colour >> 16);
    }
    palette.entries[0] = PaletteEntry{0, 0, 0, 0};
    palette.entries[255] = PaletteEntry{255, 255, 255, 0};
    return palette;
}
