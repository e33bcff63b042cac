// The transforms of a glTF node hierarchy: each node's matrix is given as 16
// numbers or as translation, rotation and scale (applied in the order scale,
// rotation, translation), and a node's place in the scene is its parent's
// matrix times its own. Matrices are column-major, as glTF stores them:
// element (row r, column c) is m[4 * c + r].
#pragma once

#include <array>

using Matrix4 = std::array<double, 16>;
using Vector3 = std::array<double, 3>;

inline constexpr Matrix4 kIdentityMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// a × b: b applied first.
Matrix4 MultiplyMatrices(const Matrix4& a, const Matrix4& b);

// The matrix of translation t, rotation r (a quaternion x, y, z, w; made
// unit length, the identity when it has none) and scale s.
Matrix4 ComposeTrs(const Vector3& t, const std::array<double, 4>& r, const Vector3& s);

Vector3 TransformPoint(const Matrix4& m, const Vector3& p);

// Determinant of the upper 3 × 3 part: negative when the matrix mirrors,
// which turns the winding of every triangle the other way round.
double LinearDeterminant(const Matrix4& m);

// A normal carried through the matrix: the inverse transpose of the upper
// 3 × 3 part keeps it perpendicular to the surface under any scale. The
// result has unit length, or is zero when the matrix or the normal flattens
// it to nothing.
Vector3 TransformNormal(const Matrix4& m, const Vector3& n);
