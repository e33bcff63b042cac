#include "gltf/vertex_weld.h"

#include <array>
#include <bit>
#include <cstring>

namespace {

using VertexKey = std::array<std::uint32_t, 8>;

VertexKey KeyOf(const MsmVertex& vertex) {
    const float values[8] = {vertex.x,  vertex.y,  vertex.z,  vertex.nx,
                             vertex.ny, vertex.nz, vertex.tu, vertex.tv};
    VertexKey key;
    for (std::size_t i = 0; i < 8; ++i) {
        key[i] = std::bit_cast<std::uint32_t>(values[i] + 0.0f); // -0 + 0 is +0
    }
    return key;
}

std::uint64_t HashOf(const VertexKey& key) {
    std::uint64_t hash = 0x9E3779B97F4A7C15u;
    for (const std::uint32_t word : key) {
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDu;
        hash ^= hash >> 29;
    }
    return hash;
}

} // namespace

WeldedVertices WeldVertices(std::span<const MsmVertex> corners) {
    WeldedVertices welded;
    welded.indexOf.resize(corners.size());
    // Open addressing: slot holds vertex index + 1, 0 when empty; at most
    // half full.
    std::size_t capacity = 16;
    while (capacity < 2 * corners.size()) {
        capacity *= 2;
    }
    std::vector<std::uint32_t> slots(capacity, 0);
    std::vector<VertexKey> keys;
    const std::size_t mask = capacity - 1;
    for (std::size_t c = 0; c < corners.size(); ++c) {
        const VertexKey key = KeyOf(corners[c]);
        std::size_t slot = static_cast<std::size_t>(HashOf(key)) & mask;
        while (slots[slot] != 0 && keys[slots[slot] - 1] != key) {
            slot = (slot + 1) & mask;
        }
        if (slots[slot] == 0) {
            keys.push_back(key);
            welded.vertices.push_back(corners[c]);
            slots[slot] = static_cast<std::uint32_t>(keys.size());
        }
        welded.indexOf[c] = slots[slot] - 1;
    }
    return welded;
}
