// What the import's tests share: the triangles a written model draws, read
// back by the viewer's own walk, as glTF's triangles must come out, and the
// small models the tests bend into their cases.
#pragma once

#include "builders/gltf_builder.h"
#include "gltf/piece_import.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

using Point = std::array<double, 3>;
// A corner: position and texture coordinates rounded to 1/10000. A triangle
// as the viewer draws it: three corners in drawing order, the first the
// smallest.
using Corner = std::array<long, 5>;
using Triangle = std::array<Corner, 3>;

Corner Key(const Point& p, float u = 0, float v = 0);
Triangle Turned(const Corner& a, const Corner& b, const Corner& c);

// The triangles of a written model, in the viewer's space and winding, with
// the texture slot of each.
std::multimap<Triangle, int> DrawnTriangles(const std::vector<std::uint8_t>& model);

// The normal of each vertex of a written model, in the viewer's space, by
// its corner's key (texture coordinates left at 0).
std::map<Corner, Point> DrawnNormals(const std::vector<std::uint8_t>& model);

// What the viewer must draw for a triangle (a, b, c) of glTF's space, front
// counter-clockwise: Z mirrored, so the winding runs the other way round.
Triangle Expected(const Point& a, const Point& b, const Point& c);

// The piece of a model, which must import.
ImportedPiece Import(const Bytes& file, ImportOptions options = {});

// One triangle (0,0,0) (1,0,0) (0,1,0), front towards +z.
inline const std::vector<float> kTriangle = {0, 0, 0, 1, 0, 0, 0, 1, 0};

// Pixels 0xRRGGBB, x from 0 to 3 across, y from 0 to 1 down: a picture whose
// every pixel differs.
std::uint32_t Pattern(int x, int y);
Bytes PatternPng(int width, int height, bool alpha = false);

// A textured square of two triangles (the picture PatternPng(4, 2)), its
// node named "Square".
GltfBuilder Square();
// Square, changed, as a GLB file.
Bytes Changed(const std::function<void(GltfBuilder&)>& change);
nlohmann::json& Primitive(GltfBuilder& gltf);
