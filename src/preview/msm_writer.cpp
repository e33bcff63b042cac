#include "preview/msm_writer.h"

#include "common/byte_order.h"
#include "preview/msm_layout.h"

#include <cstring>

namespace {

void Put16(std::vector<std::uint8_t>& bytes, std::uint16_t value) {
    const std::size_t at = bytes.size();
    bytes.resize(at + 2);
    StoreLe16(bytes.data() + at, value);
}

Refusal Limit(const std::string& message) {
    return Refuse("msm-limit", message);
}

} // namespace

Result<std::vector<std::uint8_t>> EncodeMsm(const MsmModel& model) {
    if (model.textureNames.size() > 32767) {
        return Limit(std::to_string(model.textureNames.size()) +
                     " texture names, more than the 32767 a model holds");
    }
    if (model.vertices.size() > kMsmMaxVertices) {
        return Limit(std::to_string(model.vertices.size()) + " vertices, more than the " +
                     std::to_string(kMsmMaxVertices) + " a model holds");
    }
    if (model.fans.size() > kMsmMaxGroups) {
        return Limit(std::to_string(model.fans.size()) + " triangle fans, more than the " +
                     std::to_string(kMsmMaxGroups) + " a model holds");
    }
    std::size_t size = 2 + 2 + kMsmVertexBytes * model.vertices.size() + 2;
    for (const std::string& name : model.textureNames) {
        if (name.empty() || name.find('\0') != std::string::npos) {
            return Limit("a texture name that is empty or holds a zero byte");
        }
        size += name.size() + 1;
    }
    for (const MsmFan& fan : model.fans) {
        if (fan.indices.size() < 3 || fan.indices.size() > kMsmMaxGroupIndices) {
            return Limit("a triangle fan of " + std::to_string(fan.indices.size()) +
                         " indices, not 3 to " + std::to_string(kMsmMaxGroupIndices));
        }
        for (const std::uint16_t index : fan.indices) {
            if (index >= model.vertices.size()) {
                return Limit("a triangle fan names vertex " + std::to_string(index) + " of " +
                             std::to_string(model.vertices.size()));
            }
        }
        size += 2 + 2 + 2 * fan.indices.size() + 2;
    }

    std::vector<std::uint8_t> bytes;
    bytes.reserve(size);
    Put16(bytes, static_cast<std::uint16_t>(model.textureNames.size()));
    for (const std::string& name : model.textureNames) {
        bytes.insert(bytes.end(), name.begin(), name.end());
        bytes.push_back(0);
    }
    Put16(bytes, static_cast<std::uint16_t>(model.vertices.size()));
    for (const MsmVertex& vertex : model.vertices) {
        for (const float value : {vertex.x, vertex.y, vertex.z, vertex.nx, vertex.ny, vertex.nz,
                                  vertex.tu, vertex.tv}) {
            std::uint32_t bits;
            std::memcpy(&bits, &value, sizeof bits);
            const std::size_t at = bytes.size();
            bytes.resize(at + 4);
            StoreLe32(bytes.data() + at, bits);
        }
    }
    Put16(bytes, static_cast<std::uint16_t>(model.fans.size()));
    for (const MsmFan& fan : model.fans) {
        Put16(bytes, static_cast<std::uint16_t>(fan.textureIndex));
        // The count is the first byte of its field; the second is not read.
        bytes.push_back(static_cast<std::uint8_t>(fan.indices.size()));
        bytes.push_back(0);
        for (const std::uint16_t index : fan.indices) {
            Put16(bytes, index);
        }
        Put16(bytes, 0); // no nested groups
    }
    return bytes;
}
