// The palette entry nearest to a colour: the least squared distance
// (dr^2 + dg^2 + db^2) over all 256 entries, the lowest index winning ties,
// which is the rule of the Win32 nearest-palette-index query. A colour that
// stands in the palette therefore maps to the first entry holding it.
#pragma once

#include "quantize/colour_slots.h"
#include "quantize/level_palette.h"

#include <array>
#include <cstdint>

class NearestEntrySearch {
  public:
    explicit NearestEntrySearch(const LevelPalette& palette);

    // Index of the entry nearest to `colour` (a colour value).
    std::uint8_t Find(std::uint32_t colour) const;

  private:
    // The entries ordered by green (then index); the search starts at the
    // query's green and walks outwards, stopping on each side once the green
    // difference alone exceeds the best distance found.
    struct Entry {
        std::int32_t red, green, blue, index;
    };
    std::array<Entry, 256> byGreen_{};
};

// The search done once per distinct colour: results are remembered.
class PaletteIndexCache {
  public:
    explicit PaletteIndexCache(const LevelPalette& palette) : search_(palette), slots_(4096) {}

    std::uint8_t IndexOf(std::uint32_t colour) {
        bool added = false;
        std::uint32_t& index = slots_.FindOrAdd(colour, 0, added);
        if (added) {
            index = search_.Find(colour);
        }
        return static_cast<std::uint8_t>(index);
    }

  private:
    NearestEntrySearch search_;
    ColourSlots slots_;
};
