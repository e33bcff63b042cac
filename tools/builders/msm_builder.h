// Builds MSM model images field by field, written out literally from the
// format's description, and remembers where each top-level group starts.
#pragma once

#include "builders/file_bytes.h"

#include <cstdint>
#include <string>
#include <vector>

struct TestVertex {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = -1;
    float tu = 0, tv = 0;
};

// A nested level-2 record holds `values` 2-byte values and one level-3
// record per entry of `level3Values`, which holds that many values.
struct TestNested {
    int values = 0;
    std::vector<int> level3Values;
};

struct TestGroup {
    std::int16_t textureIndex = 0;
    std::vector<std::uint16_t> indices;
    std::uint8_t indexCountSecondByte = 0; // not part of the count
    std::vector<TestNested> nested;
};

struct TestModel {
    std::int16_t textureCount = 0; // written as is; names below are written too
    std::vector<std::string> names;
    std::vector<TestVertex> vertices;
    std::vector<TestGroup> groups;
};

struct BuiltModel {
    Bytes bytes;
    std::vector<std::size_t> groupOffsets;
    std::size_t vertexCountOffset = 0;
    std::size_t groupCountOffset = 0;
};

BuiltModel BuildMsm(const TestModel& model);

// A model of one upright square facing the viewer, x and y from -s to s
// around (0, cy, 0), wound clockwise as the viewer sees it, drawn with
// texture slot `textureIndex`; `names` becomes its texture list.
TestModel SquareModel(std::vector<std::string> names, std::int16_t textureIndex, float s = 2.0f,
                      float cy = 1.5f);

// A box of side 2s around (0, cy, 0): four upright walls and a lid, each
// wound clockwise as seen from outside. Turning about the y axis, it always
// covers the centre of the preview. Every face is drawn with texture slot
// `textureIndex`, or with `distinctFaces` the walls facing -z, +x, +z, -x and
// the lid with slots textureIndex + 0 to 4.
TestModel BoxModel(std::vector<std::string> names, std::int16_t textureIndex,
                   bool distinctFaces = false, float s = 1.0f, float cy = 1.5f);
