#include "preview/msm_layout.h"

#include "common/byte_order.h"

#include <cstring>

namespace {

// True when `count` bytes starting at `offset` lie within the data.
bool Fits(std::span<const std::uint8_t> image, std::size_t offset, std::size_t count) {
    return offset <= image.size() && count <= image.size() - offset;
}

// The first byte of a 2-byte count field, which holds a signed 8-bit count;
// the second byte is not part of the count. Nothing for a field past the data
// or a byte of 128 or more, which would be a negative count.
std::optional<int> ReadCountByte(std::span<const std::uint8_t> image, std::size_t offset) {
    if (!Fits(image, offset, 2) || image[offset] >= 0x80) {
        return std::nullopt;
    }
    return image[offset];
}

// Offset just past the NUL of the name at `offset`, or nothing when the data
// ends first.
std::optional<std::size_t> StepName(std::span<const std::uint8_t> image, std::size_t offset) {
    if (offset >= image.size()) {
        return std::nullopt;
    }
    const void* nul = std::memchr(image.data() + offset, 0, image.size() - offset);
    if (nul == nullptr) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - image.data()) + 1;
}

std::size_t DeclaredNameCount(std::span<const std::uint8_t> image) {
    const auto count = static_cast<std::int16_t>(LoadLe16(image.data()));
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

// A record of the level below a group: 2 bytes not read, a count field whose
// first byte gives the number of 2-byte values that follow, those values, and
// a 2-byte field that on level 2 counts the level-3 records after it and on
// level 3 is stepped over unread.
std::optional<std::size_t> StepNested(std::span<const std::uint8_t> image, std::size_t offset,
                                      int level) {
    const std::optional<int> valueCount = ReadCountByte(image, offset + 2);
    if (!valueCount) {
        return std::nullopt;
    }
    std::size_t at = offset + 4 + 2 * static_cast<std::size_t>(*valueCount);
    if (level == 3) {
        return Fits(image, at, 2) ? std::optional<std::size_t>(at + 2) : std::nullopt;
    }
    const std::optional<int> lowerCount = ReadCountByte(image, at);
    if (!lowerCount) {
        return std::nullopt;
    }
    at += 2;
    for (int i = 0; i < *lowerCount; ++i) {
        const std::optional<std::size_t> next = StepNested(image, at, 3);
        if (!next) {
            return std::nullopt;
        }
        at = *next;
    }
    return at;
}

} // namespace

std::vector<std::string> ReadMsmTextureNames(std::span<const std::uint8_t> image) {
    std::vector<std::string> names;
    if (!Fits(image, 0, 2)) {
        return names;
    }
    const std::size_t count = DeclaredNameCount(image);
    std::size_t at = 2;
    for (std::size_t i = 0; i < count; ++i) {
        const std::optional<std::size_t> next = StepName(image, at);
        if (!next) {
            break;
        }
        names.emplace_back(reinterpret_cast<const char*>(image.data() + at), *next - 1 - at);
        at = *next;
    }
    return names;
}

std::optional<MsmLayout> WalkMsmHead(std::span<const std::uint8_t> image) {
    if (!Fits(image, 0, 2)) {
        return std::nullopt;
    }
    MsmLayout layout;
    layout.nameCount = DeclaredNameCount(image);
    std::size_t at = 2;
    for (std::size_t i = 0; i < layout.nameCount; ++i) {
        const std::optional<std::size_t> next = StepName(image, at);
        if (!next) {
            return std::nullopt;
        }
        at = *next;
    }
    layout.vertexCountOffset = at;
    if (!Fits(image, at, 2)) {
        return std::nullopt;
    }
    layout.vertexCount = LoadLe16(image.data() + at);
    layout.verticesOffset = at + 2;
    const std::size_t vertexBytes = kMsmVertexBytes * layout.vertexCount;
    if (!Fits(image, layout.verticesOffset, vertexBytes)) {
        return std::nullopt;
    }
    layout.groupCountOffset = layout.verticesOffset + vertexBytes;
    if (!Fits(image, layout.groupCountOffset, 2)) {
        return std::nullopt;
    }
    layout.groupCount = LoadLe16(image.data() + layout.groupCountOffset);
    layout.groupsOffset = layout.groupCountOffset + 2;
    return layout;
}

std::optional<MsmGroup> ReadMsmGroup(std::span<const std::uint8_t> image, std::size_t offset) {
    if (!Fits(image, offset, 2)) {
        return std::nullopt;
    }
    MsmGroup group;
    group.textureIndex = static_cast<std::int16_t>(LoadLe16(image.data() + offset));
    const std::optional<int> indexCount = ReadCountByte(image, offset + 2);
    if (!indexCount) {
        return std::nullopt;
    }
    group.indexCount = *indexCount;
    group.indicesOffset = offset + 4;
    group.nestedCountOffset = group.indicesOffset + 2 * static_cast<std::size_t>(*indexCount);
    const std::optional<int> nestedCount = ReadCountByte(image, group.nestedCountOffset);
    if (!nestedCount) {
        return std::nullopt;
    }
    std::size_t at = group.nestedCountOffset + 2;
    for (int i = 0; i < *nestedCount; ++i) {
        const std::optional<std::size_t> next = StepNested(image, at, 2);
        if (!next) {
            return std::nullopt;
        }
        at = *next;
    }
    group.next = at;
    return group;
}

bool MsmGroupIndicesInRange(std::span<const std::uint8_t> image, const MsmGroup& group,
                            std::uint16_t vertexCount) {
    for (int i = 0; i < group.indexCount; ++i) {
        if (MsmGroupIndex(image, group, i) >= vertexCount) {
            return false;
        }
    }
    return true;
}

MsmGroupUse MsmGroupUseOf(std::span<const std::uint8_t> image, const MsmGroup& group,
                          std::uint16_t vertexCount) {
    if (group.indexCount < 3) {
        return MsmGroupUse::noTriangle;
    }
    return MsmGroupIndicesInRange(image, group, vertexCount) ? MsmGroupUse::drawn
                                                             : MsmGroupUse::vertexOutOfRange;
}

std::optional<MsmLayout> WalkMsmLayout(std::span<const std::uint8_t> image) {
    std::optional<MsmLayout> layout = WalkMsmHead(image);
    if (!layout) {
        return std::nullopt;
    }
    std::size_t at = layout->groupsOffset;
    for (unsigned i = 0; i < layout->groupCount; ++i) {
        const std::optional<MsmGroup> group = ReadMsmGroup(image, at);
        if (!group) {
            return std::nullopt;
        }
        at = group->next;
    }
    layout->end = at;
    return layout;
}
