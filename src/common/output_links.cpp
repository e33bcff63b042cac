#include "common/output_links.h"

#include "common/file_io.h"
#include "common/shift_jis_text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

// True when `path` names a link (not followed).
bool IsLink(const std::string& path) {
#ifdef _WIN32
    // A symbolic link, a junction and a mount point are all reparse points.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
#else
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
#endif
}

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

} // namespace

std::optional<std::string> LinkBelowFolder(const std::string& folder, const std::string& path) {
    std::size_t at = 0;
    if (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
        (IsSeparator(path[folder.size()]) || (!folder.empty() && IsSeparator(folder.back())))) {
        at = folder.size();
    } else {
        // Not spelt below the folder: only the file itself can be checked.
        return IsLink(path) ? std::optional<std::string>(path) : std::nullopt;
    }
    while (at < path.size()) {
        while (at < path.size() && IsSeparator(path[at])) {
            ++at;
        }
        if (at == path.size()) {
            break;
        }
        std::size_t end = at;
        while (end < path.size() && !IsSeparator(path[end])) {
            ++end;
        }
        const std::string prefix = path.substr(0, end);
        // Every prefix is looked at, also past one that names nothing: on
        // Windows the trail byte of a double-byte character may be 0x5C, the
        // byte of "\", and cut a name at a place that names no entry.
        if (IsLink(prefix)) {
            return prefix;
        }
        at = end;
    }
    return std::nullopt;
}

Status RefuseLinkBelowFolder(const std::string& folder, const std::string& path) {
    const std::optional<std::string> link = LinkBelowFolder(folder, path);
    if (!link) {
        return Success();
    }
#ifdef _WIN32
    const std::string shown = ShownText(ShiftJisToUtf8(*link));
#else
    const std::string shown = ShownText(*link);
#endif
    return Refuse("output-link", shown +
                                     " is a symbolic link or junction: nothing is written, "
                                     "replaced or removed through a link inside the output folder");
}

Status WriteFileBelowFolder(const std::string& folder, const std::string& path,
                            std::span<const std::uint8_t> bytes) {
    if (Status status = RefuseLinkBelowFolder(folder, path); !status) {
        return status;
    }
    return WriteFileBytes(path, bytes);
}
