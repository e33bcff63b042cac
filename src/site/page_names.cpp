#include "site/page_names.h"

#include "catalogue/catalogue_folders.h"

#include <cstdint>
#include <cstdio>
#include <set>

namespace {

bool IsPageNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// Names Windows keeps for devices, whatever follows them after a dot: a page
// "con.html" could not be written there.
bool IsDeviceName(std::string_view name) {
    static const std::set<std::string_view> devices = {
        "con",  "prn",  "aux",  "nul",  "com1", "com2", "com3", "com4", "com5", "com6", "com7",
        "com8", "com9", "lpt1", "lpt2", "lpt3", "lpt4", "lpt5", "lpt6", "lpt7", "lpt8", "lpt9"};
    return devices.contains(name);
}

std::uint32_t Fnv1a(std::string_view bytes) {
    std::uint32_t hash = 2166136261u;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<std::uint8_t>(c)) * 16777619u;
    }
    return hash;
}

std::string PageNameOf(const std::string& stem) {
    if (IsPageNameText(stem) && stem.size() <= kPageNameStemLength && !IsDeviceName(stem)) {
        return stem;
    }
    std::string name;
    for (const char c : stem) {
        if (name.size() == kPageNameStemLength) {
            break;
        }
        const char lowered = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (IsPageNameByte(lowered)) {
            name += lowered;
        } else if (name.empty() || name.back() != '_') {
            name += '_';
        }
    }
    char suffix[10];
    std::snprintf(suffix, sizeof suffix, "-%08x", static_cast<unsigned>(Fnv1a(stem)));
    return name + suffix;
}

} // namespace

bool IsPageNameText(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    for (const char c : name) {
        if (!IsPageNameByte(c)) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> PageNames(const std::vector<std::string>& profileFileNames) {
    std::vector<std::string> names;
    std::set<std::string> taken;
    for (const std::string& fileName : profileFileNames) {
        const std::string base = PageNameOf(FileStem(fileName));
        std::string name = base;
        for (int n = 2; taken.contains(name); ++n) {
            name = base + "-" + std::to_string(n);
        }
        taken.insert(name);
        names.push_back(std::move(name));
    }
    return names;
}
