// Triangle fans from a list of triangles: the only primitive the viewer
// draws. A fan of n indices draws n - 2 triangles around its first index, so
// the fewer the fans, the smaller the model and the fewer the draw calls.
//
// The builder is greedy: it takes the vertex shared by the most triangles not
// yet in a fan, and makes fans around it of all those triangles, chained in
// their winding order: a triangle (v, a, b) is followed by (v, b, c). A chain
// starts at a triangle that no other follows (the first such in list order),
// or, around a vertex whose triangles close a ring, at the first of them; it
// takes at each step the first triangle in list order that follows. Then the
// next vertex is taken, until every triangle is in a fan.
//
// Among vertices of equal counts, taking the lowest-numbered first is the
// plain rule; on a regular grid it takes every other vertex of a row, and
// leaves the triangles between the rows to fans of one or two. Taking first
// the vertex nearest to the last fan made (sharing the most triangle corners
// with the vertices that fan touched first) grows the fans as a wavefront in
// which nearly every triangle has one centre of its own: a 250 x 250 grid
// takes 21,008 fans instead of 46,377, a sphere of 32 segments and 15 rings
// 173 instead of 338. The builder makes both and keeps the one with fewer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

enum class FanTies { lowestNumber, nearestToLastFan };

// The fans of one greedy pass over `triangles` (three vertex indices each,
// below `vertexCount`, wound as they are to be drawn), each with 3 to
// `maxIndices` (at least 3) indices. Every triangle is in exactly one fan,
// wound as it was; triangles with two equal corners cover nothing and are
// left out. A list with a corner not below `vertexCount` is refused: no fans.
std::vector<std::vector<std::uint32_t>> BuildGreedyFans(std::span<const std::uint32_t> triangles,
                                                        std::size_t vertexCount,
                                                        std::size_t maxIndices, FanTies ties);

// The fans of whichever pass makes fewer.
std::vector<std::vector<std::uint32_t>> BuildFans(std::span<const std::uint32_t> triangles,
                                                  std::size_t vertexCount, std::size_t maxIndices);
