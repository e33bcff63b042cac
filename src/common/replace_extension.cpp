#include "common/replace_extension.h"

#include "common/path_text.h"

#include <cstring>

bool ReplaceExtension(char* text, std::size_t capacity, const char* extension) {
    const std::size_t length = std::strlen(text);
    const std::size_t nameStart = FileNameOffset(text);
    std::size_t cut = length;
    // "." is never a trail byte of a double-byte character, so a plain
    // backwards search within the file-name part is safe.
    for (std::size_t i = length; i > nameStart; --i) {
        if (text[i - 1] == '.') {
            cut = i - 1;
            break;
        }
    }
    const std::size_t extensionLength = std::strlen(extension);
    if (cut + extensionLength >= capacity) {
        return false;
    }
    std::memcpy(text + cut, extension, extensionLength + 1);
    return true;
}
