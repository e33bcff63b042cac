#include "quantize/nearest_entry.h"

#include <algorithm>

NearestEntrySearch::NearestEntrySearch(const LevelPalette& palette) {
    for (std::int32_t k = 0; k < 256; ++k) {
        const PaletteEntry& e = palette.entries[static_cast<std::size_t>(k)];
        byGreen_[static_cast<std::size_t>(k)] = Entry{e.red, e.green, e.blue, k};
    }
    std::sort(byGreen_.begin(), byGreen_.end(), [](const Entry& a, const Entry& b) {
        return a.green < b.green || (a.green == b.green && a.index < b.index);
    });
}

std::uint8_t NearestEntrySearch::Find(std::uint32_t colour) const {
    const std::int32_t red = static_cast<std::int32_t>(colour & 0xFF);
    const std::int32_t green = static_cast<std::int32_t>((colour >> 8) & 0xFF);
    const std::int32_t blue = static_cast<std::int32_t>((colour >> 16) & 0xFF);
    const auto start = std::lower_bound(byGreen_.begin(), byGreen_.end(), green,
                                        [](const Entry& e, std::int32_t g) { return e.green < g; });
    std::int32_t best = 0x7FFFFFFF;
    std::int32_t bestIndex = 256;
    const auto consider = [&](const Entry& e) {
        const std::int32_t dr = e.red - red;
        const std::int32_t dg = e.green - green;
        const std::int32_t db = e.blue - blue;
        const std::int32_t distance = dr * dr + dg * dg + db * db;
        if (distance < best || (distance == best && e.index < bestIndex)) {
            best = distance;
            bestIndex = e.index;
        }
    };
    // Upwards from the first entry whose green is not below the query's, then
    // downwards; an entry whose green difference squared exceeds the best
    // distance cannot be nearer, nor tie, and neither can any beyond it.
    for (auto it = start; it != byGreen_.end(); ++it) {
        const std::int32_t dg = it->green - green;
        if (dg * dg > best) {
            break;
        }
        consider(*it);
    }
    for (auto it = start; it != byGreen_.begin();) {
        --it;
        const std::int32_t dg = it->green - green;
        if (dg * dg > best) {
            break;
        }
        consider(*it);
    }
    return static_cast<std::uint8_t>(bestIndex);
}
