// A path of the Linux file system as a program under Wine names it: drive Z:
// is the root, and the separators are backslashes.
#pragma once

#include <algorithm>
#include <string>

inline std::string WinePath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}
