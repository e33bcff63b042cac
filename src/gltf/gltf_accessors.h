// The numbers a glTF model keeps in its buffers: buffer views (ranges of a
// buffer) and accessors (typed elements in a view, strided, normalized or
// not, with sparse substitutions). The glTF library leaves every offset,
// length and index unchecked; the Check functions check them, once, in the
// validation pass (gltf_validation.h), and the rest read what was checked.
#pragma once

#include "common/result.h"
#include "gltf/tinygltf_api.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Bytes of one component of a TINYGLTF_COMPONENT_TYPE_; 0 when not read.
int ComponentBytes(int componentType);

// Refuses a buffer view that is not there or runs past its buffer. `what`
// names its user.
Status CheckView(const tinygltf::Model& model, int view, const std::string& what);

// Refuses an accessor that is not there, is of a type or component type
// that is not read, holds more than kMaxAccessorElements elements, runs past
// its buffer view, or whose sparse substitutions do not fit it. `what` names
// its use ("mesh 0 primitive 0's POSITION").
Status CheckAccessor(const tinygltf::Model& model, int accessor, const std::string& what);

// A checked view's bytes.
std::span<const std::uint8_t> ViewBytes(const tinygltf::Model& model, int view);

// A checked accessor's elements as numbers, sparse substitutions applied,
// all components of element 0 first. Refused when one is not finite, or
// when `budget` (elements left to read) is short.
Result<std::vector<double>> ReadAccessor(const tinygltf::Model& model, int accessor,
                                         const std::string& what, std::size_t& budget);

// The largest component of a checked accessor's elements, sparse
// substitutions applied (0 when it has none): the bound of an accessor of
// indices.
double LargestValue(const tinygltf::Model& model, int accessor);
