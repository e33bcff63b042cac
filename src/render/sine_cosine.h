// Sine and cosine of a 32-bit angle in double precision, computed the same
// way on every platform. The C runtimes of the two builds (glibc and the
// mingw-w64 runtime) may differ in the last bit of std::sin and std::cos, and
// the x87 instructions some runtimes use reduce large angles with a short pi;
// a picture that must be the same bytes in both builds takes its turn from
// this routine instead. The angle is reduced exactly (the float's mantissa
// times enough bits of 2/pi), so the result is within about an ulp of double
// of the true value for every finite float, however large.
#pragma once

struct SineCosine {
    double sine = 0;
    double cosine = 0;
};

// Both NaN for an angle that is not finite.
SineCosine SineCosineOf(float angle);
