// Whole files as bytes, for the generators of sample, benchmark and test data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Writes the file whole; throws std::runtime_error when it cannot.
void WriteBytes(const std::string& path, const Bytes& bytes);
// Appends `value` as `size` little-endian bytes.
void PutLe(Bytes& bytes, std::uint32_t value, int size);
