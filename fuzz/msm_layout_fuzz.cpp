// Any bytes as an MSM model: the walk must accept or refuse without reading
// past the data, and what it accepts must read back consistently.
#include "preview/msm_layout.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> image(data, size);
    const std::vector<std::string> names = ReadMsmTextureNames(image);
    const std::optional<MsmLayout> head = WalkMsmHead(image);
    const std::optional<MsmLayout> layout = WalkMsmLayout(image);
    if (layout.has_value() && !head.has_value()) {
        std::abort();
    }
    if (!layout) {
        return 0;
    }
    // A well-formed model has every name it declares, and the walk ends
    // within the data after its group count.
    if (names.size() != layout->nameCount || layout->end > size ||
        layout->end < layout->groupsOffset || head->groupsOffset != layout->groupsOffset) {
        std::abort();
    }
    std::size_t at = layout->groupsOffset;
    for (unsigned g = 0; g < layout->groupCount; ++g) {
        const std::optional<MsmGroup> group = ReadMsmGroup(image, at);
        if (!group || group->next <= at || group->next > layout->end) {
            std::abort();
        }
        // Reads every index: the sanitizer catches any read past the data.
        MsmGroupIndicesInRange(image, *group, layout->vertexCount);
        at = group->next;
    }
    if (at != layout->end) {
        std::abort();
    }
    return 0;
}
