#include "gltf/gltf_validation.h"

#include "gltf/gltf_accessors.h"
#include "gltf/gltf_materials.h"
#include "gltf/gltf_reading.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <set>

namespace {

std::string NodeName(int index) {
    return "node " + std::to_string(index);
}

bool Within(int index, std::size_t count) {
    return index >= 0 && static_cast<std::size_t>(index) < count;
}

bool IsFinite(const Matrix4& m) {
    return std::all_of(m.begin(), m.end(), [](double v) { return std::isfinite(v); });
}

Matrix4 LocalMatrix(const tinygltf::Node& node) {
    if (node.matrix.size() == 16) {
        Matrix4 local;
        std::copy(node.matrix.begin(), node.matrix.end(), local.begin());
        return local;
    }
    const auto get = [](const std::vector<double>& v, std::size_t i, double otherwise) {
        return v.empty() ? otherwise : v[i];
    };
    return ComposeTrs(
        {get(node.translation, 0, 0), get(node.translation, 1, 0), get(node.translation, 2, 0)},
        {get(node.rotation, 0, 0), get(node.rotation, 1, 0), get(node.rotation, 2, 0),
         get(node.rotation, 3, 1)},
        {get(node.scale, 0, 1), get(node.scale, 1, 1), get(node.scale, 2, 1)});
}

struct Validation {
    const tinygltf::Model& model;
    ModelLayout layout;
    std::vector<int> parent;

    Status CheckNodes();
    Status CheckScene();
    Status CheckMesh(int mesh);
    Status CheckSkinnedMesh(int node);
    Status CheckMaterials();
    Status CheckAttribute(int accessor, const std::string& what, int type,
                          std::initializer_list<int> componentTypes = {});
};

// Every node's children, mesh, skin and transform; the nodes a set of trees.
Status Validation::CheckNodes() {
    const std::vector<tinygltf::Node>& nodes = model.nodes;
    parent.assign(nodes.size(), -1);
    for (std::size_t n = 0; n < nodes.size(); ++n) {
        const tinygltf::Node& node = nodes[n];
        const std::string what = NodeName(static_cast<int>(n));
        for (const int child : node.children) {
            if (!Within(child, nodes.size())) {
                return GltfInvalid(what + " names node " + std::to_string(child) +
                                   ", which is not there");
            }
            if (parent[static_cast<std::size_t>(child)] >= 0) {
                return Refuse("gltf-node-tree", NodeName(child) + " is reached twice: the nodes "
                                                                  "do not form a tree");
            }
            parent[static_cast<std::size_t>(child)] = static_cast<int>(n);
        }
        if (node.mesh >= 0 && !Within(node.mesh, model.meshes.size())) {
            return GltfInvalid(what + " names mesh " + std::to_string(node.mesh) +
                               ", which is not there");
        }
        if (node.skin >= 0 && !Within(node.skin, model.skins.size())) {
            return Refuse("gltf-skin", what + " names skin " + std::to_string(node.skin) +
                                           ", which is not there");
        }
        // (The library reads translation, rotation and scale only without a
        // matrix.)
        if ((!node.matrix.empty() && node.matrix.size() != 16) ||
            (!node.translation.empty() && node.translation.size() != 3) ||
            (!node.rotation.empty() && node.rotation.size() != 4) ||
            (!node.scale.empty() && node.scale.size() != 3)) {
            return GltfInvalid(what + " has a transform of the wrong size");
        }
    }
    // World matrices from the roots of the trees down; a node never reached
    // so lies on a loop.
    layout.world.assign(nodes.size(), kIdentityMatrix);
    std::vector<bool> placed(nodes.size(), false);
    std::vector<int> stack;
    for (std::size_t n = 0; n < nodes.size(); ++n) {
        if (parent[n] < 0) {
            stack.push_back(static_cast<int>(n));
        }
    }
    while (!stack.empty()) {
        const auto n = static_cast<std::size_t>(stack.back());
        stack.pop_back();
        placed[n] = true;
        const Matrix4 above =
            parent[n] < 0 ? kIdentityMatrix : layout.world[static_cast<std::size_t>(parent[n])];
        layout.world[n] = MultiplyMatrices(above, LocalMatrix(nodes[n]));
        stack.insert(stack.end(), nodes[n].children.begin(), nodes[n].children.end());
    }
    const auto loop = std::find(placed.begin(), placed.end(), false);
    if (loop != placed.end()) {
        return Refuse("gltf-node-tree", NodeName(static_cast<int>(loop - placed.begin())) +
                                            " is its own ancestor: the nodes do not form a tree");
    }
    return Success();
}

// The scene drawn, and its nodes in drawing order.
Status Validation::CheckScene() {
    std::vector<int> roots;
    if (Within(model.defaultScene, model.scenes.size())) {
        roots = model.scenes[static_cast<std::size_t>(model.defaultScene)].nodes;
    } else if (!model.scenes.empty()) {
        roots = model.scenes[0].nodes;
    } else {
        for (std::size_t n = 0; n < model.nodes.size(); ++n) {
            if (parent[n] < 0) {
                roots.push_back(static_cast<int>(n));
            }
        }
    }
    std::vector<bool> drawn(model.nodes.size(), false);
    for (const int root : roots) {
        if (!Within(root, model.nodes.size())) {
            return GltfInvalid("the scene names node " + std::to_string(root) +
                               ", which is not there");
        }
        if (parent[static_cast<std::size_t>(root)] >= 0 || drawn[static_cast<std::size_t>(root)]) {
            return Refuse("gltf-node-tree", NodeName(root) + " is reached twice: the nodes do "
                                                             "not form a tree");
        }
        std::vector<int> stack = {root};
        while (!stack.empty()) {
            const int n = stack.back();
            stack.pop_back();
            drawn[static_cast<std::size_t>(n)] = true;
            layout.drawn.push_back(n);
            if (!IsFinite(layout.world[static_cast<std::size_t>(n)])) {
                return Refuse("gltf-not-finite", NodeName(n) + "'s transform is not finite");
            }
            const std::vector<int>& children = model.nodes[static_cast<std::size_t>(n)].children;
            stack.insert(stack.end(), children.rbegin(), children.rend());
        }
    }
    return Success();
}

// An accessor the reader reads, of the type `type` (a TINYGLTF_TYPE_) with
// one of `componentTypes` (any when none given).
Status Validation::CheckAttribute(int accessor, const std::string& what, int type,
                                  std::initializer_list<int> componentTypes) {
    if (Status checked = CheckAccessor(model, accessor, what); !checked) {
        return checked;
    }
    const tinygltf::Accessor& read = model.accessors[static_cast<std::size_t>(accessor)];
    if (read.type != type ||
        (componentTypes.size() > 0 && std::find(componentTypes.begin(), componentTypes.end(),
                                                read.componentType) == componentTypes.end())) {
        return GltfInvalid(what + " (accessor " + std::to_string(accessor) +
                           ") is not of the type its use needs");
    }
    return Success();
}

// The attribute's type when the reader reads it, else 0.
int ReadType(const std::string& attribute) {
    if (attribute == "POSITION" || attribute == "NORMAL") {
        return TINYGLTF_TYPE_VEC3;
    }
    if (attribute.rfind("TEXCOORD_", 0) == 0) {
        return TINYGLTF_TYPE_VEC2;
    }
    if (attribute.rfind("JOINTS_", 0) == 0 || attribute.rfind("WEIGHTS_", 0) == 0) {
        return TINYGLTF_TYPE_VEC4;
    }
    return 0;
}

Status Validation::CheckMesh(int index) {
    const tinygltf::Mesh& mesh = model.meshes[static_cast<std::size_t>(index)];
    for (std::size_t p = 0; p < mesh.primitives.size(); ++p) {
        const tinygltf::Primitive& primitive = mesh.primitives[p];
        if (!DrawsTriangles(primitive)) {
            continue;
        }
        const std::string what =
            "mesh " + std::to_string(index) + " primitive " + std::to_string(p);
        if (primitive.material >= 0 && !Within(primitive.material, model.materials.size())) {
            return GltfInvalid(what + " names material " + std::to_string(primitive.material) +
                               ", which is not there");
        }
        const auto position = primitive.attributes.find("POSITION");
        if (position == primitive.attributes.end()) {
            return GltfInvalid(what + " has no POSITION attribute");
        }
        if (Status checked =
                CheckAttribute(position->second, what + "'s POSITION", TINYGLTF_TYPE_VEC3);
            !checked) {
            return checked;
        }
        const std::size_t vertices =
            model.accessors[static_cast<std::size_t>(position->second)].count;
        // Every attribute, and every morph target's, as long as the positions.
        std::vector<std::pair<std::string, int>> attributes(primitive.attributes.begin(),
                                                            primitive.attributes.end());
        for (std::size_t t = 0; t < primitive.targets.size(); ++t) {
            for (const auto& [name, accessor] : primitive.targets[t]) {
                attributes.push_back(
                    {"morph target " + std::to_string(t) + "'s " + name, accessor});
            }
        }
        for (const auto& [name, accessor] : attributes) {
            const std::string use = what + "'s " + name;
            const std::string semantic = name.substr(name.rfind(' ') + 1);
            const int type = ReadType(semantic);
            Status checked = type == 0 ? CheckAccessor(model, accessor, use)
                             : semantic.rfind("JOINTS_", 0) == 0
                                 ? CheckAttribute(accessor, use, type,
                                                  {TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE,
                                                   TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT})
                                 : CheckAttribute(accessor, use, type);
            if (!checked) {
                return checked;
            }
            if (model.accessors[static_cast<std::size_t>(accessor)].count != vertices) {
                return GltfInvalid(what + "'s attributes have different numbers of vertices");
            }
        }
        if (primitive.indices >= 0) {
            if (Status checked = CheckAttribute(
                    primitive.indices, what + "'s indices", TINYGLTF_TYPE_SCALAR,
                    {TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT,
                     TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT});
                !checked) {
                return checked;
            }
            const double largest = LargestValue(model, primitive.indices);
            if (largest >= static_cast<double>(vertices)) {
                return Refuse("gltf-index-range",
                              what + " uses vertex " +
                                  std::to_string(static_cast<std::uint64_t>(largest)) + " of " +
                                  std::to_string(vertices));
            }
        }
    }
    return Success();
}

// A skinned mesh's skin: its joints, its inverse bind matrices, and the
// joints and weights of every primitive drawn.
Status Validation::CheckSkinnedMesh(int index) {
    const tinygltf::Node& node = model.nodes[static_cast<std::size_t>(index)];
    const tinygltf::Skin& skin = model.skins[static_cast<std::size_t>(node.skin)];
    const std::string what = "skin " + std::to_string(node.skin);
    for (const int joint : skin.joints) {
        if (!Within(joint, model.nodes.size())) {
            return Refuse("gltf-skin", what + " names joint node " + std::to_string(joint) +
                                           ", which is not there");
        }
        if (!IsFinite(layout.world[static_cast<std::size_t>(joint)])) {
            return Refuse("gltf-not-finite", NodeName(joint) + "'s transform is not finite");
        }
    }
    if (skin.inverseBindMatrices >= 0) {
        if (Status checked =
                CheckAttribute(skin.inverseBindMatrices, what + "'s inverse bind matrices",
                               TINYGLTF_TYPE_MAT4, {TINYGLTF_COMPONENT_TYPE_FLOAT});
            !checked) {
            return Refuse("gltf-skin", checked.refusal().message);
        }
        const std::size_t count =
            model.accessors[static_cast<std::size_t>(skin.inverseBindMatrices)].count;
        if (count < skin.joints.size()) {
            return Refuse("gltf-skin", what + " has " + std::to_string(count) +
                                           " inverse bind matrices for " +
                                           std::to_string(skin.joints.size()) + " joints");
        }
    }
    const tinygltf::Mesh& mesh = model.meshes[static_cast<std::size_t>(node.mesh)];
    for (std::size_t p = 0; p < mesh.primitives.size(); ++p) {
        const tinygltf::Primitive& primitive = mesh.primitives[p];
        const std::string part =
            "mesh " + std::to_string(node.mesh) + " primitive " + std::to_string(p);
        if (!DrawsTriangles(primitive)) {
            continue;
        }
        for (int set = 0;; ++set) {
            const auto joints = primitive.attributes.find("JOINTS_" + std::to_string(set));
            const bool weights = primitive.attributes.count("WEIGHTS_" + std::to_string(set)) > 0;
            if (joints == primitive.attributes.end() && !weights && set > 0) {
                break;
            }
            if (joints == primitive.attributes.end() || !weights) {
                return Refuse("gltf-skin", part + " has no JOINTS_" + std::to_string(set) +
                                               " and WEIGHTS_" + std::to_string(set) +
                                               " together, as " + NodeName(index) +
                                               "'s skin needs");
            }
            const double largest = LargestValue(model, joints->second);
            if (largest >= static_cast<double>(skin.joints.size())) {
                return Refuse("gltf-skin", part + " uses joint " +
                                               std::to_string(static_cast<std::uint64_t>(largest)) +
                                               " of " + what + "'s " +
                                               std::to_string(skin.joints.size()));
            }
        }
    }
    return Success();
}

// Every material's base colour texture, its picture, and the picture's view.
Status Validation::CheckMaterials() {
    for (std::size_t m = 0; m < model.materials.size(); ++m) {
        const std::string what = "material " + std::to_string(m);
        Result<BaseColour> colour = BaseColourOf(model.materials[m], what);
        if (!colour) {
            return colour.refusal();
        }
        if (colour->texture < 0) {
            continue;
        }
        if (!Within(colour->texture, model.textures.size())) {
            return GltfInvalid(what + " names texture " + std::to_string(colour->texture) +
                               ", which is not there");
        }
        const int image = model.textures[static_cast<std::size_t>(colour->texture)].source;
        if (image < 0) {
            continue;
        }
        if (!Within(image, model.images.size())) {
            return GltfInvalid("texture " + std::to_string(colour->texture) + " names image " +
                               std::to_string(image) + ", which is not there");
        }
        const int view = model.images[static_cast<std::size_t>(image)].bufferView;
        if (view >= 0) {
            if (Status checked = CheckView(model, view, "image " + std::to_string(image));
                !checked) {
                return checked;
            }
        }
    }
    return Success();
}

} // namespace

bool DrawsTriangles(const tinygltf::Primitive& primitive) {
    return primitive.mode == -1 || primitive.mode == TINYGLTF_MODE_TRIANGLES ||
           primitive.mode == TINYGLTF_MODE_TRIANGLE_STRIP ||
           primitive.mode == TINYGLTF_MODE_TRIANGLE_FAN;
}

Result<ModelLayout> ValidateModel(const tinygltf::Model& model) {
    Validation validation{model, {}, {}};
    if (Status checked = validation.CheckNodes(); !checked) {
        return checked.refusal();
    }
    if (Status checked = validation.CheckScene(); !checked) {
        return checked.refusal();
    }
    std::set<int> meshes;
    std::set<std::pair<int, int>> skinned; // mesh, skin
    for (const int n : validation.layout.drawn) {
        const tinygltf::Node& node = model.nodes[static_cast<std::size_t>(n)];
        if (node.mesh < 0) {
            continue;
        }
        if (meshes.insert(node.mesh).second) {
            if (Status checked = validation.CheckMesh(node.mesh); !checked) {
                return checked.refusal();
            }
        }
        if (node.skin >= 0 && skinned.insert({node.mesh, node.skin}).second) {
            if (Status checked = validation.CheckSkinnedMesh(n); !checked) {
                return checked.refusal();
            }
        }
    }
    if (Status checked = validation.CheckMaterials(); !checked) {
        return checked.refusal();
    }
    return std::move(validation.layout);
}
