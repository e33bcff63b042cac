// The MSM model layout: texture names, one vertex array, and triangle-fan
// groups with their index lists, every field little-endian and unaligned.
//
//   texture count    signed 16-bit (0 or less: no names)
//   texture names    that many NUL-terminated byte strings
//   vertex count     unsigned 16-bit
//   vertices         vertex count x 32 bytes (x y z nx ny nz tu tv, floats)
//   group count      unsigned 16-bit
//   groups           textureIndex (signed 16), index count (first byte),
//                    indices (unsigned 16 each), nested count (first byte),
//                    nested groups of two lower levels that are stepped over
//
// The file carries no length of its own, so every count and offset is checked
// against the length of the data. Count bytes are signed 8-bit numbers in the
// format; a count byte with its top bit set has no meaning as a count and
// makes the model malformed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr std::size_t kMsmVertexBytes = 32;
// D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1: the vertex records as stored.
inline constexpr std::uint32_t kMsmVertexFormat = 0x112;

// Where the parts of a well-formed model lie, as offsets into its image.
struct MsmLayout {
    std::size_t nameCount = 0;         // names in the texture list
    std::size_t vertexCountOffset = 0; // just after the last name
    std::uint16_t vertexCount = 0;
    std::size_t verticesOffset = 0;
    std::size_t groupCountOffset = 0;
    std::uint16_t groupCount = 0;
    std::size_t groupsOffset = 0;
    std::size_t end = 0; // just after the last group; later bytes are not read
};

// One top-level group, read in place.
struct MsmGroup {
    std::int16_t textureIndex = 0;
    int indexCount = 0;
    std::size_t indicesOffset = 0; // indexCount unsigned 16-bit vertex positions
    std::size_t nestedCountOffset = 0;
    std::size_t next = 0; // offset of the following group
};

// The texture list, the vertex array and the group count: everything up to
// the first group (MsmLayout::end is left 0). Nothing when any of it runs past
// the data. The draw walks this far on every frame and then group by group.
std::optional<MsmLayout> WalkMsmHead(std::span<const std::uint8_t> image);

// The texture names that lie whole within the data, in list order: all of
// them for a well-formed list, the names before the first one that runs past
// the data otherwise (none when even the count is missing).
std::vector<std::string> ReadMsmTextureNames(std::span<const std::uint8_t> image);

// Reads the group at `offset` and steps over its indices and nested groups.
// Nothing when the group runs past the data or holds a count byte of 128 or
// more.
std::optional<MsmGroup> ReadMsmGroup(std::span<const std::uint8_t> image, std::size_t offset);

// The vertex position `i` of a group's index list.
inline std::uint16_t MsmGroupIndex(std::span<const std::uint8_t> image, const MsmGroup& group,
                                   int i) {
    const std::uint8_t* p = image.data() + group.indicesOffset + 2 * static_cast<std::size_t>(i);
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// True when every index of the group names a vertex of the array.
bool MsmGroupIndicesInRange(std::span<const std::uint8_t> image, const MsmGroup& group,
                            std::uint16_t vertexCount);

// Whether the viewer draws a group: a fan needs three indices for one
// triangle, and every index must name a vertex of the array.
enum class MsmGroupUse { drawn, noTriangle, vertexOutOfRange };
MsmGroupUse MsmGroupUseOf(std::span<const std::uint8_t> image, const MsmGroup& group,
                          std::uint16_t vertexCount);

// The groups of the model in `image` whose head is `head` (of WalkMsmHead or
// WalkMsmLayout), walked as the viewer's drawing walks them: in order,
// `drawn(g, group)` for each group g that it draws and `skipped(g, group,
// use)` for each that it leaves out. The walk ends at a group that runs past
// the data or holds a count byte of 128 or more; those before it are
// visited. Allocates nothing: the drawing walks on every frame.
template <typename Drawn, typename Skipped>
void ForEachDrawnGroup(std::span<const std::uint8_t> image, const MsmLayout& head, Drawn&& drawn,
                       Skipped&& skipped) {
    std::size_t at = head.groupsOffset;
    for (unsigned g = 0; g < head.groupCount; ++g) {
        const std::optional<MsmGroup> group = ReadMsmGroup(image, at);
        if (!group) {
            return;
        }
        at = group->next;
        const MsmGroupUse use = MsmGroupUseOf(image, *group, head.vertexCount);
        if (use == MsmGroupUse::drawn) {
            drawn(g, *group);
        } else {
            skipped(g, *group, use);
        }
    }
}

template <typename Drawn>
void ForEachDrawnGroup(std::span<const std::uint8_t> image, const MsmLayout& head, Drawn&& drawn) {
    ForEachDrawnGroup(image, head, drawn, [](unsigned, const MsmGroup&, MsmGroupUse) {});
}

// The whole walk: the layout of a well-formed model, or nothing when any part
// runs past the data or a count byte has its top bit set.
std::optional<MsmLayout> WalkMsmLayout(std::span<const std::uint8_t> image);
