// A triangle fan's vertices as one run of the model's vertex array. The
// device copies and transforms every vertex it is handed on every draw, so
// each fan hands over only the run its indices span, with its indices counted
// from the run's start.
#pragma once

#include "preview/msm_layout.h"

#include <cstdint>
#include <span>

struct FanRun {
    std::uint16_t first = 0;      // the run's first vertex
    std::uint16_t count = 0;      // vertices in the run
    std::uint16_t indices[128]{}; // a group's index count is a byte below 128
};

// The run of a group's fan, whose indices lie within `image`. False, with
// `run` unchanged, for a fan without indices, which spans no run at all, or
// with more indices than a group can hold.
bool MakeFanRun(std::span<const std::uint8_t> image, const MsmGroup& group, FanRun& run);
