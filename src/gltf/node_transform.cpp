#include "gltf/node_transform.h"

#include <cmath>

Matrix4 MultiplyMatrices(const Matrix4& a, const Matrix4& b) {
    Matrix4 m{};
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) {
                sum += a[4 * k + r] * b[4 * c + k];
            }
            m[4 * c + r] = sum;
        }
    }
    return m;
}

Matrix4 ComposeTrs(const Vector3& t, const std::array<double, 4>& r, const Vector3& s) {
    double x = r[0], y = r[1], z = r[2], w = r[3];
    const double length = std::sqrt(x * x + y * y + z * z + w * w);
    if (length > 0 && std::isfinite(length)) {
        x /= length, y /= length, z /= length, w /= length;
    } else {
        x = y = z = 0, w = 1;
    }
    // The rotation's columns, each scaled by its axis' scale.
    return {(1 - 2 * (y * y + z * z)) * s[0],
            (2 * (x * y + z * w)) * s[0],
            (2 * (x * z - y * w)) * s[0],
            0,
            (2 * (x * y - z * w)) * s[1],
            (1 - 2 * (x * x + z * z)) * s[1],
            (2 * (y * z + x * w)) * s[1],
            0,
            (2 * (x * z + y * w)) * s[2],
            (2 * (y * z - x * w)) * s[2],
            (1 - 2 * (x * x + y * y)) * s[2],
            0,
            t[0],
            t[1],
            t[2],
            1};
}

Vector3 TransformPoint(const Matrix4& m, const Vector3& p) {
    return {m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12],
            m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13],
            m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14]};
}

double LinearDeterminant(const Matrix4& m) {
    return m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) +
           m[8] * (m[1] * m[6] - m[5] * m[2]);
}

Vector3 TransformNormal(const Matrix4& m, const Vector3& n) {
    // The cofactor matrix is the inverse transpose times the determinant:
    // the same direction, turned round when the determinant is negative.
    const double c00 = m[5] * m[10] - m[9] * m[6], c01 = m[9] * m[2] - m[1] * m[10],
                 c02 = m[1] * m[6] - m[5] * m[2];
    const double c10 = m[8] * m[6] - m[4] * m[10], c11 = m[0] * m[10] - m[8] * m[2],
                 c12 = m[4] * m[2] - m[0] * m[6];
    const double c20 = m[4] * m[9] - m[8] * m[5], c21 = m[8] * m[1] - m[0] * m[9],
                 c22 = m[0] * m[5] - m[4] * m[1];
    Vector3 out = {c00 * n[0] + c01 * n[1] + c02 * n[2], c10 * n[0] + c11 * n[1] + c12 * n[2],
                   c20 * n[0] + c21 * n[1] + c22 * n[2]};
    const double length = std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]);
    if (!(length > 0) || !std::isfinite(length)) {
        return {0, 0, 0};
    }
    const double sign = LinearDeterminant(m) < 0 ? -1 : 1;
    return {sign * out[0] / length, sign * out[1] / length, sign * out[2] / length};
}
