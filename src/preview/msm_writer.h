// Writing MSM model files in the layout the viewer reads (msm_layout.h): the
// texture names, one vertex array, and one group per triangle fan, each with
// no nested groups. The viewer walks the file in place on every frame, so
// everything it holds must be within the format's counts: names as many as a
// signed 16-bit count allows, vertices and groups as many as an unsigned
// 16-bit count, and at most 127 indices per group, since the index count is a
// byte read as a signed number.
#pragma once

#include "common/result.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::size_t kMsmMaxVertices = 65535;
inline constexpr std::size_t kMsmMaxGroups = 65535;
inline constexpr std::size_t kMsmMaxGroupIndices = 127;

// One record of the vertex array: position, normal, texture coordinates.
struct MsmVertex {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = 0;
    float tu = 0, tv = 0;
};

// One triangle fan drawn with one texture slot: the centre first, then each
// further index closing one more triangle with the one before it.
struct MsmFan {
    std::int16_t textureIndex = 0;
    std::vector<std::uint16_t> indices;
};

struct MsmModel {
    std::vector<std::string> textureNames; // 8-bit texts, no zero byte inside
    std::vector<MsmVertex> vertices;
    std::vector<MsmFan> fans;
};

// The file's bytes. Refused ("msm-limit") when a count does not fit its
// field, a fan has fewer than 3 or more than 127 indices or names a vertex
// past the array, or a name is empty or holds a zero byte.
Result<std::vector<std::uint8_t>> EncodeMsm(const MsmModel& model);
