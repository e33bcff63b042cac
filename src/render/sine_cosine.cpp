#include "render/sine_cosine.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

// The bits of 2/pi after the binary point, most significant first: enough
// for the largest float (a 24-bit integer times 2^104) and 128 bits beyond.
constexpr std::uint64_t kTwoOverPi[4] = {0xA2F9836E4E441529u, 0xFC2757D1F534DDC0u,
                                         0xDB6295993C439041u, 0xFE5163ABDEBBC561u};

// Bit `i` of 2/pi, counted from 1 just after the binary point.
unsigned TwoOverPiBit(int i) {
    if (i < 1 || i > 256) {
        return 0;
    }
    const int k = i - 1;
    return static_cast<unsigned>(kTwoOverPi[k / 64] >> (63 - k % 64)) & 1u;
}

// Taylor series about 0, to r^21 and r^22: for |r| <= pi/4 the first term
// left out is below 2^-80 of the result.
double KernelSine(double r) {
    const double r2 = r * r;
    double sum = 0;
    for (int n = 21; n >= 3; n -= 2) {
        sum = (sum + 1) * r2 / (static_cast<double>(n) * (n - 1));
        sum = -sum;
    }
    return r + r * sum;
}

double KernelCosine(double r) {
    const double r2 = r * r;
    double sum = 0;
    for (int n = 22; n >= 2; n -= 2) {
        sum = (sum + 1) * r2 / (static_cast<double>(n) * (n - 1));
        sum = -sum;
    }
    return 1 + sum;
}

// 160-bit unsigned numbers in 32-bit limbs, least significant first.
struct Wide {
    std::uint32_t limb[5] = {};

    unsigned Bit(int i) const { return (limb[i / 32] >> (i % 32)) & 1u; }
};

// |angle| = m * 2^e reduced by multiples of pi/2: the quadrant (mod 4) and
// the remainder in [-pi/4, pi/4].
struct Reduced {
    unsigned quadrant = 0;
    double remainder = 0;
};

Reduced Reduce(float magnitude) {
    int e = 0;
    const float fraction = std::frexp(magnitude, &e); // exact: [0.5, 1) * 2^e
    const auto m = static_cast<std::uint32_t>(std::ldexp(fraction, 24));
    e -= 24;
    // z = 2^e * 2/pi mod 4 as a number with 2 integer and 128 fraction bits:
    // the bits of 2/pi worth 2^1 down to 2^-128 once scaled by 2^e. Bits
    // worth 4 or more drop out, as m * 4 is a whole number of turns.
    Wide z;
    for (int j = 129; j >= 0; --j) {
        // Bit j of z is worth 2^(j - 128), which is bit (e + 128 - j) of 2/pi.
        if (TwoOverPiBit(e + 128 - j) != 0) {
            z.limb[j / 32] |= 1u << (j % 32);
        }
    }
    // y = m * z mod 4, still 2 integer and 128 fraction bits.
    Wide y;
    std::uint64_t carry = 0;
    for (int k = 0; k < 5; ++k) {
        const std::uint64_t product = static_cast<std::uint64_t>(z.limb[k]) * m + carry;
        y.limb[k] = static_cast<std::uint32_t>(product);
        carry = product >> 32;
    }
    Reduced reduced;
    reduced.quadrant = (y.limb[4] & 3u);
    // A fraction of one half or more rounds up to the next quadrant and
    // leaves a negative remainder.
    const bool up = y.Bit(127) != 0;
    if (up) {
        reduced.quadrant = (reduced.quadrant + 1) & 3u;
        // The magnitude 2^128 - fraction, in the low four limbs.
        std::uint64_t borrow = 1;
        for (int k = 0; k < 4; ++k) {
            const std::uint64_t sum = static_cast<std::uint64_t>(~y.limb[k]) + borrow;
            y.limb[k] = static_cast<std::uint32_t>(sum);
            borrow = sum >> 32;
        }
    }
    y.limb[4] = 0;
    // The fraction to double: its leading 64 bits, scaled.
    int top = 127;
    while (top >= 0 && y.Bit(top) == 0) {
        --top;
    }
    if (top < 0) {
        return reduced;
    }
    std::uint64_t lead = 0;
    for (int i = top; i > top - 64; --i) {
        lead = (lead << 1) | (i >= 0 ? y.Bit(i) : 0u);
    }
    // lead holds bits top .. top-63, worth 2^(top - 128) at its highest.
    const double f = std::ldexp(static_cast<double>(lead), top - 128 - 63);
    // pi/2 in two parts, so that f * pi/2 keeps the precision of f.
    constexpr double kHalfPiHigh = 1.5707963267948966;   // 0x3FF921FB54442D18
    constexpr double kHalfPiLow = 6.123233995736766e-17; // pi/2 - kHalfPiHigh
    const double remainder = f * kHalfPiHigh + f * kHalfPiLow;
    reduced.remainder = up ? -remainder : remainder;
    return reduced;
}

} // namespace

SineCosine SineCosineOf(float angle) {
    if (!std::isfinite(angle)) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        return {nan, nan};
    }
    const float magnitude = std::fabs(angle);
    Reduced reduced;
    if (magnitude <= 0.78539816f) { // below pi/4: no reduction
        reduced.remainder = magnitude;
    } else {
        reduced = Reduce(magnitude);
    }
    const double s = KernelSine(reduced.remainder);
    const double c = KernelCosine(reduced.remainder);
    SineCosine result;
    switch (reduced.quadrant) {
    case 0:
        result = {s, c};
        break;
    case 1:
        result = {c, -s};
        break;
    case 2:
        result = {-s, -c};
        break;
    default:
        result = {-c, s};
        break;
    }
    if (angle < 0) {
        result.sine = -result.sine;
    }
    return result;
}
