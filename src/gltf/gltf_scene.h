// The triangles of a validated model's scene, in the scene's own space
// (glTF's: right-handed, +Y up), each wound counter-clockwise seen from its
// front. A mesh is placed by its node's place in the scene, a skinned mesh
// by its skin (gltf_skin.h).
//
// Winding: a node that mirrors (its matrix' determinant is negative) turns
// every triangle the other way round, so the corners are turned back. In a
// skinned mesh, a triangle whose corners all hang on one joint alone
// follows that joint's matrix; any other follows the mesh node's place in
// the scene, the transform the mesh is drawn under as a whole.
#pragma once

#include "common/result.h"
#include "gltf/gltf_materials.h"
#include "gltf/gltf_reader.h"
#include "gltf/gltf_validation.h"

#include <string>
#include <vector>

// Adds the triangles of every mesh of the drawn nodes to `scene`, with the
// names of those nodes; `coordinates` are the materials' texture coordinates.
Status ReadSceneTriangles(const tinygltf::Model& model, const ModelLayout& layout,
                          const std::vector<TextureCoordinates>& coordinates, GltfScene& scene,
                          std::vector<std::string>& notes);
