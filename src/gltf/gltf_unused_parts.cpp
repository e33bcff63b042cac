#include "gltf/gltf_unused_parts.h"

#include "gltf/gltf_reading.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <initializer_list>

namespace {

using Json = nlohmann::json;

constexpr double kPi = 3.14159265358979323846;

// Whether `object[key]` is absent (and `optional`) or a number for which
// `fits` holds.
template <class Fits>
bool NumberFits(const Json& object, const char* key, bool optional, Fits fits) {
    const auto it = object.find(key);
    if (it == object.end()) {
        return optional;
    }
    return it->is_number() && fits(it->get<double>());
}

bool IsNumber(const Json& object, const char* key, bool optional = false) {
    return NumberFits(object, key, optional, [](double) { return true; });
}

bool IsPositive(const Json& object, const char* key, bool optional = false) {
    return NumberFits(object, key, optional, [](double v) { return v > 0; });
}

// An index below `count`.
bool IsIndex(const Json& object, const char* key, std::size_t count, bool optional = false) {
    const auto it = object.find(key);
    if (it == object.end()) {
        return optional;
    }
    return it->is_number_unsigned() && it->get<std::size_t>() < count;
}

std::size_t CountOf(const Json& document, const char* key) {
    const auto it = document.find(key);
    return it != document.end() && it->is_array() ? it->size() : 0;
}

bool IsOneOf(const Json& object, const char* key, std::initializer_list<const char*> names,
             bool optional = false) {
    const auto it = object.find(key);
    if (it == object.end()) {
        return optional;
    }
    for (const char* name : names) {
        if (*it == name) {
            return true;
        }
    }
    return false;
}

bool IsCamera(const Json& camera) {
    if (!camera.is_object() || !IsOneOf(camera, "type", {"perspective", "orthographic"})) {
        return false;
    }
    const std::string type = camera["type"].get<std::string>();
    const auto it = camera.find(type);
    if (it == camera.end() || !it->is_object()) {
        return false;
    }
    const Json& lens = *it;
    if (type == "perspective") {
        return IsPositive(lens, "yfov") && IsPositive(lens, "znear") &&
               IsPositive(lens, "aspectRatio", true) &&
               NumberFits(lens, "zfar", true,
                          [&lens](double far) { return far > lens["znear"].get<double>(); });
    }
    return IsNumber(lens, "xmag") && IsNumber(lens, "ymag") &&
           NumberFits(lens, "znear", false, [](double near) { return near >= 0; }) &&
           NumberFits(lens, "zfar", false,
                      [&lens](double far) { return far > lens["znear"].get<double>(); });
}

bool IsLight(const Json& light) {
    if (!light.is_object() || !IsOneOf(light, "type", {"directional", "point", "spot"})) {
        return false;
    }
    const auto colour = light.find("color");
    if (colour != light.end() && (!colour->is_array() || colour->size() != 3 ||
                                  !std::all_of(colour->begin(), colour->end(),
                                               [](const Json& c) { return c.is_number(); }))) {
        return false;
    }
    if (!NumberFits(light, "intensity", true, [](double v) { return v >= 0; }) ||
        !IsPositive(light, "range", true)) {
        return false;
    }
    if (light["type"] != "spot") {
        return true;
    }
    const auto spot = light.find("spot");
    if (spot == light.end() || !spot->is_object()) {
        return false;
    }
    const double inner = spot->value("innerConeAngle", 0.0);
    return NumberFits(*spot, "innerConeAngle", true, [](double a) { return a >= 0; }) &&
           NumberFits(*spot, "outerConeAngle", true,
                      [inner](double a) { return a > inner && a <= kPi / 2; });
}

bool IsAnimation(const Json& animation, const Json& document) {
    if (!animation.is_object()) {
        return false;
    }
    const auto samplers = animation.find("samplers");
    const auto channels = animation.find("channels");
    if (samplers == animation.end() || !samplers->is_array() || samplers->empty() ||
        channels == animation.end() || !channels->is_array() || channels->empty()) {
        return false;
    }
    const std::size_t accessors = CountOf(document, "accessors");
    for (const Json& sampler : *samplers) {
        if (!sampler.is_object() || !IsIndex(sampler, "input", accessors) ||
            !IsIndex(sampler, "output", accessors) ||
            !IsOneOf(sampler, "interpolation", {"LINEAR", "STEP", "CUBICSPLINE"}, true)) {
            return false;
        }
    }
    for (const Json& channel : *channels) {
        if (!channel.is_object() || !IsIndex(channel, "sampler", samplers->size())) {
            return false;
        }
        const auto target = channel.find("target");
        if (target == channel.end() || !target->is_object() ||
            !IsIndex(*target, "node", CountOf(document, "nodes"), true) ||
            !IsOneOf(*target, "path", {"translation", "rotation", "scale", "weights"})) {
            return false;
        }
    }
    return true;
}

bool IsSampler(const Json& sampler) {
    const auto isCode = [&sampler](const char* key, std::initializer_list<int> codes) {
        const auto it = sampler.find(key);
        return it == sampler.end() ||
               (it->is_number_integer() &&
                std::find(codes.begin(), codes.end(), it->get<int>()) != codes.end());
    };
    constexpr int kNearest = 9728, kLinear = 9729;
    return sampler.is_object() && isCode("magFilter", {kNearest, kLinear}) &&
           isCode("minFilter", {kNearest, kLinear, 9984, 9985, 9986, 9987}) &&
           isCode("wrapS", {33071, 33648, 10497}) && isCode("wrapT", {33071, 33648, 10497});
}

// Takes `key` out of `object`, with a note for each of its items that
// `valid` refuses. True when there was something to take.
template <class Valid>
bool Drop(Json& object, const char* key, const char* what, std::vector<std::string>& notes,
          Valid valid) {
    const auto it = object.find(key);
    if (it == object.end()) {
        return false;
    }
    if (it->is_array()) {
        for (std::size_t i = 0; i < it->size(); ++i) {
            if (!valid((*it)[i])) {
                AddNote(notes, std::string(what) + " " + std::to_string(i) +
                                   " is invalid and was ignored");
            }
        }
    } else {
        AddNote(notes, std::string("the ") + key + " are invalid and were ignored");
    }
    object.erase(it);
    return true;
}

// Takes every "extras" out of `value`, and out of what it holds; refuses
// what is nested deeper than kMaxJsonDepth.
Status DropExtras(Json& value, int depth, bool& dropped) {
    if (!value.is_structured()) {
        return Success();
    }
    if (depth > kMaxJsonDepth) {
        return Refuse("gltf-json", "the JSON is nested more than " + std::to_string(kMaxJsonDepth) +
                                       " levels deep");
    }
    if (value.is_object()) {
        dropped = value.erase("extras") > 0 || dropped;
    }
    for (Json& item : value) {
        if (Status status = DropExtras(item, depth + 1, dropped); !status) {
            return status;
        }
    }
    return Success();
}

} // namespace

Result<bool> DropUnusedParts(Json& document, std::vector<std::string>& notes) {
    bool dropped = false;
    if (Status status = DropExtras(document, 1, dropped); !status) {
        return status.refusal();
    }
    dropped = Drop(document, "cameras", "camera", notes, &IsCamera) || dropped;
    dropped = Drop(document, "animations", "animation", notes,
                   [&document](const Json& a) { return IsAnimation(a, document); }) ||
              dropped;
    dropped = Drop(document, "samplers", "sampler", notes, &IsSampler) || dropped;
    const auto extensions = document.find("extensions");
    if (extensions != document.end() && extensions->is_object()) {
        const auto lights = extensions->find("KHR_lights_punctual");
        if (lights != extensions->end()) {
            if (lights->is_object()) {
                Drop(*lights, "lights", "light", notes, &IsLight);
            }
            extensions->erase(lights);
            dropped = true;
        }
    }
    // The references to them.
    const auto dropMember = [&document, &dropped](const char* key, const char* member) {
        const auto items = document.find(key);
        if (items == document.end() || !items->is_array()) {
            return;
        }
        for (Json& item : *items) {
            if (item.is_object()) {
                dropped = item.erase(member) > 0 || dropped;
            }
            const auto own = item.is_object() ? item.find("extensions") : item.end();
            if (own != item.end() && own->is_object()) {
                dropped = own->erase("KHR_lights_punctual") > 0 || dropped;
            }
        }
    };
    dropMember("nodes", "camera");
    dropMember("textures", "sampler");
    return dropped;
}
