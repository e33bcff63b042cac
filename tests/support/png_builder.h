// Builds PNG files for tests chunk by chunk, in every colour type and bit
// depth the reader meets (stb_image_write writes only 8-bit ones).
#pragma once

#include "support/scratch.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

struct TestPng {
    int width;
    int height;
    int colourType; // 0 grey, 2 truecolour, 3 paletted, 4 grey+alpha, 6 truecolour+alpha
    int bitDepth;
    // Sample value (0 .. 2^bitDepth - 1) by (x, y, channel), channels in the
    // file's order (red, green, blue, alpha / grey, alpha / index).
    std::function<int(int, int, int)> sample;
    TestPng(int w, int h, int type, int depth, std::function<int(int, int, int)> s)
        : width(w), height(h), colourType(type), bitDepth(depth), sample(std::move(s)) {}
    std::vector<std::array<std::uint8_t, 3>> palette; // red, green, blue
    Bytes transparency;                               // a tRNS chunk's data when not empty
};

Bytes BuildPng(const TestPng& png);

// A PNG file of one grey pixel whose header chunk claims `width` x `height`
// (its CRC made to match): for limits that are refused from the header, with
// no picture of that size.
Bytes PngClaimingSides(std::uint32_t width, std::uint32_t height);
