// Welding: the corners of a model's triangles, each with its own position,
// normal and texture coordinates, become one vertex array in which equal
// corners share one vertex. The model's vertex count is an unsigned 16-bit
// number, so a model whose triangles share their corners (as every mesh
// drawn from indexed triangles does) must share its vertices too.
#pragma once

#include "preview/msm_writer.h"

#include <cstdint>
#include <span>
#include <vector>

struct WeldedVertices {
    std::vector<MsmVertex> vertices;    // in the order of their first corner
    std::vector<std::uint32_t> indexOf; // the vertex of each corner
};

// Corners are equal when all eight numbers are equal (0 and -0 alike). The
// numbers must be finite.
WeldedVertices WeldVertices(std::span<const MsmVertex> corners);
