// Triangle fans from a list of triangles: the only primitive the viewer
// draws. A fan of n indices draws n - 2 triangles around its first index, so
// the fewer the fans, the smaller the model and the fewer the draw calls.
//
// The builder is greedy: it takes the vertex shared by the most triangles not
// yet in a fan (the lowest-numbered one among equals), and makes fans around
// it of all those triangles, chained in their winding order: a triangle
// (v, a, b) is followed by (v, b, c). A chain starts at a triangle that no
// other follows (the first such in list order), or, around a vertex whose
// triangles close a ring, at the first of them; it takes at each step the
// first triangle in list order that follows. Then the next vertex is taken,
// until every triangle is in a fan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The fans of `triangles` (three vertex indices each, below `vertexCount`,
// wound as they are to be drawn), each with 3 to `maxIndices` (at least 3)
// indices. Every triangle is in exactly one fan, wound as it was; triangles
// with two equal corners cover nothing and are left out.
std::vector<std::vector<std::uint32_t>> BuildFans(std::span<const std::uint32_t> triangles,
                                                  std::size_t vertexCount, std::size_t maxIndices);
