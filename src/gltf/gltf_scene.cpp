#include "gltf/gltf_scene.h"

#include "gltf/gltf_accessors.h"
#include "gltf/gltf_reading.h"
#include "gltf/gltf_skin.h"

#include <cmath>

namespace {

// The corners of a primitive's triangles, three per triangle, from its
// (checked) indices or its vertices in order.
Result<std::vector<std::uint32_t>> TriangleCorners(const tinygltf::Model& model,
                                                   const tinygltf::Primitive& primitive,
                                                   std::size_t vertexCount, const std::string& what,
                                                   std::size_t& budget) {
    std::vector<std::uint32_t> indices;
    if (primitive.indices >= 0) {
        Result<std::vector<double>> read =
            ReadAccessor(model, primitive.indices, what + "'s indices", budget);
        if (!read) {
            return read.refusal();
        }
        indices.assign(read->begin(), read->end());
    } else {
        for (std::size_t i = 0; i < vertexCount; ++i) {
            indices.push_back(static_cast<std::uint32_t>(i));
        }
    }
    std::vector<std::uint32_t> corners;
    const std::size_t n = indices.size();
    switch (primitive.mode) {
    case TINYGLTF_MODE_TRIANGLE_STRIP:
        // Triangle i is (i, i+1, i+2), every other one turned round to keep
        // the strip's winding.
        for (std::size_t i = 0; i + 2 < n; ++i) {
            corners.insert(corners.end(),
                           {indices[i], indices[i + 1 + i % 2], indices[i + 2 - i % 2]});
        }
        break;
    case TINYGLTF_MODE_TRIANGLE_FAN:
        for (std::size_t i = 1; i + 1 < n; ++i) {
            corners.insert(corners.end(), {indices[i], indices[i + 1], indices[0]});
        }
        break;
    default: // a list
        corners.assign(indices.begin(), indices.begin() + static_cast<std::ptrdiff_t>(n - n % 3));
        break;
    }
    return corners;
}

std::array<float, 3> Floats(const Vector3& v) {
    return {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
}

struct Reader {
    const tinygltf::Model& model;
    const ModelLayout& layout;
    const std::vector<TextureCoordinates>& coordinates; // per material
    GltfScene& scene;
    std::vector<std::string>& notes;
    std::size_t budget = kMaxElementsRead;

    // The primitive as drawn by `node`; `joints` the joint matrices of the
    // node's skin, empty when it has none.
    Status ReadPrimitive(const tinygltf::Primitive& primitive, int node,
                         const std::vector<Matrix4>& joints, const std::string& what);
    Result<std::vector<double>> Read(const tinygltf::Primitive& primitive, const std::string& name,
                                     const std::string& what);
};

// The attribute `name`'s numbers, or none when the primitive has none.
Result<std::vector<double>> Reader::Read(const tinygltf::Primitive& primitive,
                                         const std::string& name, const std::string& what) {
    const auto it = primitive.attributes.find(name);
    if (it == primitive.attributes.end()) {
        return std::vector<double>();
    }
    return ReadAccessor(model, it->second, what + "'s " + name, budget);
}

Status Reader::ReadPrimitive(const tinygltf::Primitive& primitive, int node,
                             const std::vector<Matrix4>& joints, const std::string& what) {
    if (!DrawsTriangles(primitive)) {
        scene.pointsOrLines = true;
        AddNote(notes, "points and lines are not imported, only triangles");
        return Success();
    }
    const Matrix4& world = layout.world[static_cast<std::size_t>(node)];
    Result<std::vector<double>> positions = Read(primitive, "POSITION", what);
    Result<std::vector<double>> normals = Read(primitive, "NORMAL", what);
    if (!positions || !normals) {
        return !positions ? positions.refusal() : normals.refusal();
    }
    const std::size_t vertexCount = positions->size() / 3;
    // Morph targets at the weights the node (or else the mesh) gives.
    const tinygltf::Node& placed = model.nodes[static_cast<std::size_t>(node)];
    const std::vector<double>& weights =
        placed.weights.empty() ? model.meshes[static_cast<std::size_t>(placed.mesh)].weights
                               : placed.weights;
    for (std::size_t t = 0; t < primitive.targets.size() && t < weights.size(); ++t) {
        if (weights[t] == 0) {
            continue;
        }
        for (auto& [name, values] : {std::pair{"POSITION", &*positions}, {"NORMAL", &*normals}}) {
            const auto it = primitive.targets[t].find(name);
            if (it == primitive.targets[t].end() || values->empty()) {
                continue;
            }
            Result<std::vector<double>> delta = ReadAccessor(
                model, it->second, what + "'s morph target " + std::to_string(t), budget);
            if (!delta) {
                return delta.refusal();
            }
            for (std::size_t i = 0; i < values->size(); ++i) {
                (*values)[i] += weights[t] * (*delta)[i];
            }
        }
    }
    std::vector<int> soleJoint;
    if (!joints.empty()) {
        Result<std::vector<int>> skinned =
            SkinVertices(model, primitive, joints, world, *positions, *normals, what, budget);
        if (!skinned) {
            return skinned.refusal();
        }
        soleJoint = std::move(*skinned);
    }
    // A skinned mesh's vertices are in the scene's space already.
    const Matrix4& matrix = joints.empty() ? world : kIdentityMatrix;
    const TextureCoordinates& mapping =
        primitive.material >= 0 ? coordinates[static_cast<std::size_t>(primitive.material)]
                                : TextureCoordinates{};
    Result<std::vector<double>> uvs =
        Read(primitive, "TEXCOORD_" + std::to_string(mapping.set), what);
    if (!uvs) {
        return uvs.refusal();
    }
    if (primitive.attributes.count("COLOR_0") > 0) {
        AddNote(notes, "vertex colours are not imported: a texture holds all the colour");
    }
    Result<std::vector<std::uint32_t>> corners =
        TriangleCorners(model, primitive, vertexCount, what, budget);
    if (!corners) {
        return corners.refusal();
    }
    if (corners->empty()) {
        return Success();
    }

    SceneTriangles triangles;
    triangles.material = primitive.material;
    triangles.positions.reserve(vertexCount);
    for (std::size_t v = 0; v < vertexCount; ++v) {
        triangles.positions.push_back(Floats(TransformPoint(
            matrix, {(*positions)[3 * v], (*positions)[3 * v + 1], (*positions)[3 * v + 2]})));
        for (const float value : triangles.positions.back()) {
            if (!std::isfinite(value)) {
                return Refuse("gltf-not-finite", what + " has a vertex whose place in the scene is "
                                                        "not a finite number");
            }
        }
    }
    if (!normals->empty()) {
        triangles.normals.reserve(vertexCount);
        for (std::size_t v = 0; v < vertexCount; ++v) {
            triangles.normals.push_back(Floats(TransformNormal(
                matrix, {(*normals)[3 * v], (*normals)[3 * v + 1], (*normals)[3 * v + 2]})));
        }
    }
    if (!uvs->empty()) {
        triangles.uvs.reserve(vertexCount);
        for (std::size_t v = 0; v < vertexCount; ++v) {
            const double u = (*uvs)[2 * v], w = (*uvs)[2 * v + 1];
            const float tu = static_cast<float>(mapping.a * u + mapping.b * w + mapping.e);
            const float tv = static_cast<float>(mapping.c * u + mapping.d * w + mapping.f);
            if (!std::isfinite(tu) || !std::isfinite(tv)) {
                return Refuse("gltf-not-finite",
                              what + "'s texture coordinates are not finite numbers");
            }
            triangles.uvs.push_back({tu, tv});
        }
    }
    triangles.corners = std::move(*corners);
    // Turn back what a mirroring transform turned round.
    const bool worldMirrors = LinearDeterminant(world) < 0;
    for (std::size_t t = 0; t < triangles.corners.size(); t += 3) {
        std::uint32_t* corner = &triangles.corners[t];
        bool mirrors = worldMirrors;
        if (!soleJoint.empty()) {
            const int joint = soleJoint[corner[0]];
            if (joint >= 0 && soleJoint[corner[1]] == joint && soleJoint[corner[2]] == joint) {
                mirrors = LinearDeterminant(joints[static_cast<std::size_t>(joint)]) < 0;
            }
        }
        if (mirrors) {
            std::swap(corner[1], corner[2]);
        }
    }
    scene.triangles.push_back(std::move(triangles));
    return Success();
}

} // namespace

Status ReadSceneTriangles(const tinygltf::Model& model, const ModelLayout& layout,
                          const std::vector<TextureCoordinates>& coordinates, GltfScene& scene,
                          std::vector<std::string>& notes) {
    Reader reader{model, layout, coordinates, scene, notes};
    for (const int n : layout.drawn) {
        const tinygltf::Node& node = model.nodes[static_cast<std::size_t>(n)];
        if (node.mesh < 0) {
            continue;
        }
        scene.meshNodes.push_back(node.name);
        std::vector<Matrix4> joints;
        if (node.skin >= 0) {
            Result<std::vector<Matrix4>> matrices =
                JointMatrices(model, node.skin, layout.world, reader.budget);
            if (!matrices) {
                return matrices.refusal();
            }
            joints = std::move(*matrices);
        }
        const tinygltf::Mesh& mesh = model.meshes[static_cast<std::size_t>(node.mesh)];
        for (std::size_t p = 0; p < mesh.primitives.size(); ++p) {
            const std::string what =
                "mesh " + std::to_string(node.mesh) + " primitive " + std::to_string(p);
            if (Status read = reader.ReadPrimitive(mesh.primitives[p], n, joints, what); !read) {
                return read;
            }
        }
    }
    return Success();
}
