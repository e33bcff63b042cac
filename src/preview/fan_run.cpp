#include "preview/fan_run.h"

#include <algorithm>

bool MakeFanRun(std::span<const std::uint8_t> image, const MsmGroup& group, FanRun& run) {
    constexpr int kMaxIndices = static_cast<int>(sizeof run.indices / sizeof run.indices[0]);
    if (group.indexCount < 1 || group.indexCount > kMaxIndices) {
        return false;
    }
    std::uint16_t low = 0xFFFF;
    std::uint16_t high = 0;
    for (int i = 0; i < group.indexCount; ++i) {
        const std::uint16_t index = MsmGroupIndex(image, group, i);
        low = std::min(low, index);
        high = std::max(high, index);
    }
    for (int i = 0; i < group.indexCount; ++i) {
        run.indices[i] = static_cast<std::uint16_t>(MsmGroupIndex(image, group, i) - low);
    }
    run.first = low;
    run.count = static_cast<std::uint16_t>(high - low + 1);
    return true;
}
