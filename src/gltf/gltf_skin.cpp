#include "gltf/gltf_skin.h"

#include "gltf/gltf_accessors.h"

#include <algorithm>

Result<std::vector<Matrix4>> JointMatrices(const tinygltf::Model& model, int index,
                                           const std::vector<Matrix4>& world, std::size_t& budget) {
    const tinygltf::Skin& skin = model.skins[static_cast<std::size_t>(index)];
    std::vector<double> inverseBind;
    if (skin.inverseBindMatrices >= 0) {
        Result<std::vector<double>> read =
            ReadAccessor(model, skin.inverseBindMatrices,
                         "skin " + std::to_string(index) + "'s inverse bind matrices", budget);
        if (!read) {
            return read.refusal();
        }
        inverseBind = std::move(*read);
    }
    std::vector<Matrix4> joints;
    joints.reserve(skin.joints.size());
    for (std::size_t j = 0; j < skin.joints.size(); ++j) {
        Matrix4 bind = kIdentityMatrix;
        if (!inverseBind.empty()) {
            std::copy_n(inverseBind.begin() + static_cast<std::ptrdiff_t>(16 * j), 16,
                        bind.begin());
        }
        joints.push_back(MultiplyMatrices(world[static_cast<std::size_t>(skin.joints[j])], bind));
    }
    return joints;
}

Result<std::vector<int>> SkinVertices(const tinygltf::Model& model,
                                      const tinygltf::Primitive& primitive,
                                      const std::vector<Matrix4>& joints, const Matrix4& meshMatrix,
                                      std::vector<double>& positions, std::vector<double>& normals,
                                      const std::string& what, std::size_t& budget) {
    // The joint indices and weights, four to a vertex in each set.
    std::vector<std::vector<double>> jointSets, weightSets;
    for (int set = 0;; ++set) {
        const auto joint = primitive.attributes.find("JOINTS_" + std::to_string(set));
        if (joint == primitive.attributes.end()) {
            break;
        }
        const std::string weights = "WEIGHTS_" + std::to_string(set);
        Result<std::vector<double>> j =
            ReadAccessor(model, joint->second, what + "'s " + joint->first, budget);
        if (!j) {
            return j.refusal();
        }
        Result<std::vector<double>> w =
            ReadAccessor(model, primitive.attributes.at(weights), what + "'s " + weights, budget);
        if (!w) {
            return w.refusal();
        }
        jointSets.push_back(std::move(*j));
        weightSets.push_back(std::move(*w));
    }
    const std::size_t vertexCount = positions.size() / 3;
    std::vector<int> soleJoint(vertexCount, -1);
    for (std::size_t v = 0; v < vertexCount; ++v) {
        Matrix4 matrix{};
        double total = 0;
        int sole = -2; // -2: no joint yet; -1: several
        for (std::size_t set = 0; set < jointSets.size(); ++set) {
            for (std::size_t k = 4 * v; k < 4 * v + 4; ++k) {
                const double weight = weightSets[set][k];
                if (weight < 0) {
                    return Refuse("gltf-skin", what + "'s vertex " + std::to_string(v) +
                                                   " has a negative joint weight");
                }
                if (weight == 0) {
                    continue;
                }
                const auto joint = static_cast<int>(jointSets[set][k]);
                const Matrix4& m = joints[static_cast<std::size_t>(joint)];
                for (std::size_t i = 0; i < 16; ++i) {
                    matrix[i] += weight * m[i];
                }
                total += weight;
                sole = sole == -2 || sole == joint ? joint : -1;
            }
        }
        if (total > 0) {
            std::transform(matrix.begin(), matrix.end(), matrix.begin(),
                           [total](double e) { return e / total; });
            soleJoint[v] = sole;
        } else {
            matrix = meshMatrix;
        }
        const Vector3 p =
            TransformPoint(matrix, {positions[3 * v], positions[3 * v + 1], positions[3 * v + 2]});
        std::copy(p.begin(), p.end(), positions.begin() + static_cast<std::ptrdiff_t>(3 * v));
        if (!normals.empty()) {
            const Vector3 n =
                TransformNormal(matrix, {normals[3 * v], normals[3 * v + 1], normals[3 * v + 2]});
            std::copy(n.begin(), n.end(), normals.begin() + static_cast<std::ptrdiff_t>(3 * v));
        }
    }
    return soleJoint;
}
