#include "builders/msm_builder.h"

#include <cstring>

namespace {

void PutFloat(Bytes& bytes, float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    PutLe(bytes, bits, 4);
}

// A count field: the count in the first byte, a filler in the second.
void PutCount(Bytes& bytes, std::size_t count, std::uint8_t second = 0xA5) {
    bytes.push_back(static_cast<std::uint8_t>(count));
    bytes.push_back(second);
}

// A record of the nested levels: a tag, the count and its values.
void PutRecord(Bytes& bytes, std::uint16_t tag, int values) {
    PutLe(bytes, tag, 2);
    PutCount(bytes, static_cast<std::size_t>(values));
    for (int i = 0; i < values; ++i) {
        PutLe(bytes, static_cast<std::uint32_t>(0xBEEF + i), 2);
    }
}

} // namespace

BuiltModel BuildMsm(const TestModel& model) {
    BuiltModel built;
    Bytes& b = built.bytes;
    PutLe(b, static_cast<std::uint16_t>(model.textureCount), 2);
    for (const std::string& name : model.names) {
        b.insert(b.end(), name.begin(), name.end());
        b.push_back(0);
    }
    built.vertexCountOffset = b.size();
    PutLe(b, static_cast<std::uint32_t>(model.vertices.size()), 2);
    for (const TestVertex& v : model.vertices) {
        for (float f : {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.tu, v.tv}) {
            PutFloat(b, f);
        }
    }
    built.groupCountOffset = b.size();
    PutLe(b, static_cast<std::uint32_t>(model.groups.size()), 2);
    for (const TestGroup& g : model.groups) {
        built.groupOffsets.push_back(b.size());
        PutLe(b, static_cast<std::uint16_t>(g.textureIndex), 2);
        PutCount(b, g.indices.size(), g.indexCountSecondByte);
        for (std::uint16_t index : g.indices) {
            PutLe(b, index, 2);
        }
        PutCount(b, g.nested.size());
        for (const TestNested& n : g.nested) {
            PutRecord(b, 0x1111, n.values);
            PutCount(b, n.level3Values.size());
            for (int values : n.level3Values) {
                PutRecord(b, 0x2222, values);
                PutLe(b, 0x3333, 2);
            }
        }
    }
    return built;
}

TestModel SquareModel(std::vector<std::string> names, std::int16_t textureIndex, float s,
                      float cy) {
    TestModel model;
    model.textureCount = static_cast<std::int16_t>(names.size());
    model.names = std::move(names);
    model.vertices = {
        {-s, cy - s, 0, 0, 0, -1, 0, 1},
        {-s, cy + s, 0, 0, 0, -1, 0, 0},
        {s, cy + s, 0, 0, 0, -1, 1, 0},
        {s, cy - s, 0, 0, 0, -1, 1, 1},
    };
    TestGroup group;
    group.textureIndex = textureIndex;
    group.indices = {0, 1, 2, 3};
    model.groups.push_back(group);
    return model;
}

TestModel BoxModel(std::vector<std::string> names, std::int16_t textureIndex, bool distinctFaces,
                   float s, float cy) {
    TestModel model;
    model.textureCount = static_cast<std::int16_t>(names.size());
    model.names = std::move(names);
    auto addFace = [&](const TestVertex(&corners)[4]) {
        const auto base = static_cast<std::uint16_t>(model.vertices.size());
        for (const TestVertex& v : corners) {
            model.vertices.push_back(v);
        }
        TestGroup group;
        group.textureIndex = static_cast<std::int16_t>(
            textureIndex + (distinctFaces ? static_cast<int>(model.groups.size()) : 0));
        group.indices = {base, static_cast<std::uint16_t>(base + 1),
                         static_cast<std::uint16_t>(base + 2),
                         static_cast<std::uint16_t>(base + 3)};
        model.groups.push_back(group);
    };
    // The wall that faces -z, turned a quarter at a time: (x, z) -> (-z, x)
    // keeps the winding as seen from outside.
    float x[4] = {-s, -s, s, s};
    float z[4] = {-s, -s, -s, -s};
    float nx = 0, nz = -1;
    const float y[4] = {cy - s, cy + s, cy + s, cy - s};
    const float tu[4] = {0, 0, 1, 1};
    const float tv[4] = {1, 0, 0, 1};
    for (int wall = 0; wall < 4; ++wall) {
        TestVertex corners[4];
        for (int i = 0; i < 4; ++i) {
            corners[i] = {x[i], y[i], z[i], nx, 0, nz, tu[i], tv[i]};
        }
        addFace(corners);
        for (int i = 0; i < 4; ++i) {
            const float oldX = x[i];
            x[i] = -z[i];
            z[i] = oldX;
        }
        const float oldNx = nx;
        nx = -nz;
        nz = oldNx;
    }
    // The lid, seen from above: near left, far left, far right, near right.
    const float top = cy + s;
    const TestVertex lid[4] = {{-s, top, -s, 0, 1, 0, 0, 1},
                               {-s, top, s, 0, 1, 0, 0, 0},
                               {s, top, s, 0, 1, 0, 1, 0},
                               {s, top, -s, 0, 1, 0, 1, 1}};
    addFace(lid);
    return model;
}
