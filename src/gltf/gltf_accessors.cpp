#include "gltf/gltf_accessors.h"

#include "common/byte_order.h"
#include "gltf/gltf_reading.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// `count` elements of `components` components of `type`, `stride` bytes
// apart, from `data`.
struct Elements {
    const std::uint8_t* data = nullptr;
    std::size_t count = 0;
    std::size_t stride = 0;
    int type = 0;
    int components = 0;
    bool normalized = false;

    double At(std::size_t element, int component) const {
        const std::uint8_t* p =
            data + element * stride + static_cast<std::size_t>(component * ComponentBytes(type));
        switch (type) {
        case TINYGLTF_COMPONENT_TYPE_BYTE: {
            const double v = static_cast<std::int8_t>(p[0]);
            return normalized ? std::max(v / 127.0, -1.0) : v;
        }
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
            return normalized ? p[0] / 255.0 : p[0];
        case TINYGLTF_COMPONENT_TYPE_SHORT: {
            const double v = static_cast<std::int16_t>(LoadLe16(p));
            return normalized ? std::max(v / 32767.0, -1.0) : v;
        }
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
            return normalized ? LoadLe16(p) / 65535.0 : LoadLe16(p);
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
            return LoadLe32(p);
        default: {
            float f;
            const std::uint32_t bits = LoadLe32(p);
            std::memcpy(&f, &bits, sizeof f);
            return f;
        }
        }
    }
};

std::size_t ElementBytes(int type, int components) {
    return static_cast<std::size_t>(ComponentBytes(type) * components);
}

// The elements of part of a buffer view: the view's own stride when
// `strided` (an accessor's data), packed otherwise (sparse substitutions).
std::size_t StrideOf(const tinygltf::Model& model, int view, int type, int components,
                     bool strided) {
    const std::size_t own =
        strided ? model.bufferViews[static_cast<std::size_t>(view)].byteStride : 0;
    return own != 0 ? own : ElementBytes(type, components);
}

Status CheckElements(const tinygltf::Model& model, int view, std::size_t offset, std::size_t count,
                     int type, int components, bool strided, const std::string& what) {
    if (Status checked = CheckView(model, view, what); !checked) {
        return checked;
    }
    const std::size_t elementBytes = ElementBytes(type, components);
    if (elementBytes == 0) {
        return GltfInvalid(what + " has a component type that is not read");
    }
    const std::size_t stride = StrideOf(model, view, type, components, strided);
    if (stride < elementBytes) {
        return GltfInvalid(what + ": its buffer view's stride is shorter than an element");
    }
    // The last element, (count - 1) strides on, must end within the view.
    const std::size_t size = model.bufferViews[static_cast<std::size_t>(view)].byteLength;
    if (count > 0 && (offset > size || size - offset < elementBytes ||
                      count - 1 > (size - offset - elementBytes) / stride)) {
        return GltfInvalid(what + " runs past the end of its buffer view");
    }
    return Success();
}

Elements ElementsOf(const tinygltf::Model& model, int view, std::size_t offset, std::size_t count,
                    int type, int components, bool strided) {
    Elements elements;
    elements.data = ViewBytes(model, view).data() + offset;
    elements.count = count;
    elements.type = type;
    elements.components = components;
    elements.stride = StrideOf(model, view, type, components, strided);
    return elements;
}

int ComponentsOf(const tinygltf::Accessor& accessor) {
    return tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(accessor.type));
}

// The two element lists of a checked sparse accessor: where, and what.
std::pair<Elements, Elements> SparseOf(const tinygltf::Model& model,
                                       const tinygltf::Accessor& accessor) {
    const auto& sparse = accessor.sparse;
    const auto count = static_cast<std::size_t>(sparse.count);
    Elements values = ElementsOf(model, sparse.values.bufferView,
                                 static_cast<std::size_t>(sparse.values.byteOffset), count,
                                 accessor.componentType, ComponentsOf(accessor), false);
    values.normalized = accessor.normalized;
    return {ElementsOf(model, sparse.indices.bufferView,
                       static_cast<std::size_t>(sparse.indices.byteOffset), count,
                       sparse.indices.componentType, 1, false),
            values};
}

bool IsUnsignedIndex(int type) {
    return type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE ||
           type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT ||
           type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
}

} // namespace

int ComponentBytes(int type) {
    switch (type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
        return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
        return 4;
    default:
        return 0;
    }
}

Status CheckView(const tinygltf::Model& model, int index, const std::string& what) {
    if (index < 0 || static_cast<std::size_t>(index) >= model.bufferViews.size()) {
        return GltfInvalid(what + " names buffer view " + std::to_string(index) +
                           ", which is not there");
    }
    const tinygltf::BufferView& view = model.bufferViews[static_cast<std::size_t>(index)];
    if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= model.buffers.size()) {
        return GltfInvalid("buffer view " + std::to_string(index) + " names buffer " +
                           std::to_string(view.buffer) + ", which is not there");
    }
    const std::size_t size = model.buffers[static_cast<std::size_t>(view.buffer)].data.size();
    if (view.byteOffset > size || view.byteLength > size - view.byteOffset) {
        return GltfInvalid("buffer view " + std::to_string(index) +
                           " runs past the end of buffer " + std::to_string(view.buffer));
    }
    return Success();
}

Status CheckAccessor(const tinygltf::Model& model, int index, const std::string& what) {
    if (index < 0 || static_cast<std::size_t>(index) >= model.accessors.size()) {
        return GltfInvalid(what + " names accessor " + std::to_string(index) +
                           ", which is not there");
    }
    const tinygltf::Accessor& accessor = model.accessors[static_cast<std::size_t>(index)];
    const std::string name = what + " (accessor " + std::to_string(index) + ")";
    const int components = ComponentsOf(accessor);
    if (components <= 0 || ComponentBytes(accessor.componentType) == 0) {
        return GltfInvalid(name + " has a type or component type that is not read");
    }
    if (accessor.count > kMaxAccessorElements) {
        return Refuse("gltf-too-large", name + " holds " + std::to_string(accessor.count) +
                                            " elements, more than are read");
    }
    if (accessor.bufferView >= 0) {
        if (Status checked =
                CheckElements(model, accessor.bufferView, accessor.byteOffset, accessor.count,
                              accessor.componentType, components, true, name);
            !checked) {
            return checked;
        }
    } else if (!accessor.sparse.isSparse) {
        return GltfInvalid(name + " has neither a buffer view nor sparse values");
    }
    if (!accessor.sparse.isSparse) {
        return Success();
    }
    const auto& sparse = accessor.sparse;
    if (sparse.count < 0 || static_cast<std::size_t>(sparse.count) > accessor.count ||
        sparse.indices.byteOffset < 0 || sparse.values.byteOffset < 0) {
        return GltfInvalid(name + ": its sparse substitutions do not fit it");
    }
    if (!IsUnsignedIndex(sparse.indices.componentType)) {
        return GltfInvalid(name + "'s sparse indices are not unsigned integers");
    }
    const auto count = static_cast<std::size_t>(sparse.count);
    if (Status checked = CheckElements(
            model, sparse.indices.bufferView, static_cast<std::size_t>(sparse.indices.byteOffset),
            count, sparse.indices.componentType, 1, false, name + "'s sparse indices");
        !checked) {
        return checked;
    }
    if (Status checked = CheckElements(
            model, sparse.values.bufferView, static_cast<std::size_t>(sparse.values.byteOffset),
            count, accessor.componentType, components, false, name + "'s sparse values");
        !checked) {
        return checked;
    }
    const Elements where = SparseOf(model, accessor).first;
    for (std::size_t s = 0; s < count; ++s) {
        if (where.At(s, 0) >= static_cast<double>(accessor.count)) {
            return GltfInvalid(name + "'s sparse index " +
                               std::to_string(static_cast<std::uint64_t>(where.At(s, 0))) +
                               " is past its elements");
        }
    }
    return Success();
}

std::span<const std::uint8_t> ViewBytes(const tinygltf::Model& model, int index) {
    const tinygltf::BufferView& view = model.bufferViews[static_cast<std::size_t>(index)];
    const std::vector<unsigned char>& data =
        model.buffers[static_cast<std::size_t>(view.buffer)].data;
    return std::span<const std::uint8_t>(data.data() + view.byteOffset, view.byteLength);
}

Result<std::vector<double>> ReadAccessor(const tinygltf::Model& model, int index,
                                         const std::string& what, std::size_t& budget) {
    const tinygltf::Accessor& accessor = model.accessors[static_cast<std::size_t>(index)];
    const std::string name = what + " (accessor " + std::to_string(index) + ")";
    const int components = ComponentsOf(accessor);
    if (accessor.count * components > budget) {
        return Refuse("gltf-too-large", name + " holds " + std::to_string(accessor.count) +
                                            " elements, more than are read");
    }
    budget -= accessor.count * components;
    std::vector<double> values(accessor.count * static_cast<std::size_t>(components), 0.0);
    if (accessor.bufferView >= 0) {
        Elements elements = ElementsOf(model, accessor.bufferView, accessor.byteOffset,
                                       accessor.count, accessor.componentType, components, true);
        elements.normalized = accessor.normalized;
        for (std::size_t e = 0; e < accessor.count; ++e) {
            for (int c = 0; c < components; ++c) {
                values[e * components + c] = elements.At(e, c);
            }
        }
    }
    if (accessor.sparse.isSparse) {
        const auto [where, substitutes] = SparseOf(model, accessor);
        for (std::size_t s = 0; s < where.count; ++s) {
            const auto at = static_cast<std::size_t>(where.At(s, 0));
            for (int c = 0; c < components; ++c) {
                values[at * components + c] = substitutes.At(s, c);
            }
        }
    }
    for (const double value : values) {
        if (!std::isfinite(value)) {
            return Refuse("gltf-not-finite", name + " holds a number that is not finite");
        }
    }
    return values;
}

double LargestValue(const tinygltf::Model& model, int index) {
    const tinygltf::Accessor& accessor = model.accessors[static_cast<std::size_t>(index)];
    const int components = ComponentsOf(accessor);
    std::vector<bool> substituted;
    double largest = 0;
    if (accessor.sparse.isSparse) {
        substituted.assign(accessor.count, false);
        const auto [where, substitutes] = SparseOf(model, accessor);
        for (std::size_t s = 0; s < where.count; ++s) {
            substituted[static_cast<std::size_t>(where.At(s, 0))] = true;
            for (int c = 0; c < components; ++c) {
                largest = std::max(largest, substitutes.At(s, c));
            }
        }
    }
    if (accessor.bufferView >= 0) {
        Elements elements = ElementsOf(model, accessor.bufferView, accessor.byteOffset,
                                       accessor.count, accessor.componentType, components, true);
        elements.normalized = accessor.normalized;
        for (std::size_t e = 0; e < accessor.count; ++e) {
            for (int c = 0; c < components && (substituted.empty() || !substituted[e]); ++c) {
                largest = std::max(largest, elements.At(e, c));
            }
        }
    }
    return largest;
}
