#include "common/path_text.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Double-byte lead test of the active ANSI code page. Outside Windows the
// paths are UTF-8, in which no byte of a multi-byte character is "\" or "/".
bool IsLeadByte(unsigned char c) {
#ifdef _WIN32
    return IsDBCSLeadByte(c) != 0;
#else
    (void)c;
    return false;
#endif
}

} // namespace

bool CopyPathText(char* target, std::size_t capacity, const char* source) {
    const std::size_t length = std::strlen(source);
    if (capacity == 0) {
        return false;
    }
    if (length >= capacity) {
        target[0] = '\0';
        return false;
    }
    std::memcpy(target, source, length + 1);
    return true;
}

bool JoinPath(char* target, std::size_t capacity, const char* folder, const char* name) {
    const std::size_t folderLength = std::strlen(folder);
    const std::size_t nameLength = std::strlen(name);
    if (capacity == 0) {
        return false;
    }
    if (folderLength + 1 + nameLength >= capacity) {
        target[0] = '\0';
        return false;
    }
    std::memmove(target, folder, folderLength);
    target[folderLength] = '\\';
    std::memcpy(target + folderLength + 1, name, nameLength + 1);
    return true;
}

std::size_t FileNameOffset(const char* path) {
    std::size_t start = 0;
    for (std::size_t i = 0; path[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsLeadByte(c) && path[i + 1] != '\0') {
            ++i; // the trail byte is part of one character, never a separator
            continue;
        }
        if (c == '\\' || c == '/' || c == ':') {
            start = i + 1;
        }
    }
    return start;
}

bool EndsWithBackslash(const char* path) {
    bool last = false;
    for (std::size_t i = 0; path[i] != '\0'; ++i) {
        if (IsLeadByte(static_cast<unsigned char>(path[i])) && path[i + 1] != '\0') {
            ++i;
            last = false;
        } else {
            last = path[i] == '\\';
        }
    }
    return last;
}

bool IsPlainFileName(const char* name) {
    if (name[0] == '\0') {
        return false;
    }
    if (FileNameOffset(name) != 0) {
        return false; // holds "\", "/" or ":" (absolute, drive, UNC, sub-folder)
    }
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
        return false;
    }
    return true;
}
