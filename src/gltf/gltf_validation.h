// The one check of a model, once the glTF library has read it, of all that
// the piece uses: the nodes (a set of trees, every transform of its size),
// the scene's meshes and their primitives' accessors (each within its data,
// of the type its use needs, every attribute as long as the positions, every
// vertex index below their number), the skins of the meshes drawn (joints,
// inverse bind matrices, joint indices), and the materials with their
// textures and images. The library leaves these to its user; after this
// pass the reader follows every index without checking it again.
#pragma once

#include "common/result.h"
#include "gltf/node_transform.h"
#include "gltf/tinygltf_api.h"

#include <vector>

struct ModelLayout {
    // The nodes of the scene drawn, each before its children, children and
    // the scene's roots in their order: the default scene, else the first,
    // else every node that is no other's child.
    std::vector<int> drawn;
    // Every node's place: its parents' transforms times its own, as stored
    // (no animation applied).
    std::vector<Matrix4> world;
};

Result<ModelLayout> ValidateModel(const tinygltf::Model& model);

// Whether a primitive draws triangles (a list, a strip or a fan): only those
// are read, and checked; points and lines are left out.
bool DrawsTriangles(const tinygltf::Primitive& primitive);
