// A count with its noun, for the lines and pages the programs write:
// "1 piece", "3 pieces", "0 errors".
#pragma once

#include <cstddef>
#include <string>

inline std::string Counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}
