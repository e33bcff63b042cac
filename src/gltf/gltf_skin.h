// A skinned mesh placed by its skin, as glTF defines it: each vertex (morph
// targets applied) is moved by the weighted sum of its joints' matrices,
// each the joint's place in the scene (the nodes' transforms as stored, no
// animation applied) times the joint's inverse bind matrix. The mesh node's
// own transform is not applied. Normals are carried through the same sum
// and made unit length again.
//
// Weights are taken in proportion to their sum (glTF's are meant to sum to
// one); a vertex with no weight at all stays where the mesh node's transform
// puts it, as Blender shows such a vertex.
#pragma once

#include "common/result.h"
#include "gltf/node_transform.h"
#include "gltf/tinygltf_api.h"

#include <string>
#include <vector>

// Each joint's matrix of a validated skin: its world matrix (from
// `world`, every node's) times its inverse bind matrix (the identity when
// the skin has none).
Result<std::vector<Matrix4>> JointMatrices(const tinygltf::Model& model, int skin,
                                           const std::vector<Matrix4>& world, std::size_t& budget);

// Moves the vertices of a validated primitive (3 numbers each; `normals`
// empty or as many) by their joints. Returns, per vertex, the joint that
// holds all its weight, or -1 when several do (or none).
Result<std::vector<int>> SkinVertices(const tinygltf::Model& model,
                                      const tinygltf::Primitive& primitive,
                                      const std::vector<Matrix4>& joints, const Matrix4& meshMatrix,
                                      std::vector<double>& positions, std::vector<double>& normals,
                                      const std::string& what, std::size_t& budget);
