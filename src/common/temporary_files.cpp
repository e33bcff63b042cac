#include "common/temporary_files.h"

#include "common/path_text.h"

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <set>
#include <string_view>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

unsigned long ProcessId() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

bool AllDigits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// ".~pv" digits "-" digits ".tmp": the one form the cleaner takes.
bool IsTemporaryName(std::string_view name) {
    constexpr std::string_view kPrefix = ".~pv";
    constexpr std::string_view kSuffix = ".tmp";
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) {
        return false;
    }
    const std::string_view middle =
        name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    const std::size_t dash = middle.find('-');
    return dash != std::string_view::npos && AllDigits(middle.substr(0, dash)) &&
           AllDigits(middle.substr(dash + 1));
}

#ifdef _WIN32
// Opens the file with no sharing at all and marks it to go when closed: this
// succeeds only when no other handle to it is open anywhere.
bool RemoveIfUnheld(const std::string& path) {
    const HANDLE handle = CreateFileA(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(handle);
    return true;
}
#else
bool RemoveIfUnheld(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool removed = false;
    struct stat held;
    struct stat named;
    // Holding the lock, the name must still be this file: a writer renames
    // its temporary only while it holds the lock, so it cannot move now.
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
        lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
        named.st_ino == held.st_ino) {
        removed = unlink(path.c_str()) == 0;
    }
    close(fd);
    return removed;
}
#endif

} // namespace

std::string FolderOfPath(const char* path) {
    const std::size_t nameStart = FileNameOffset(path);
    if (nameStart == 0) {
        return ".";
    }
    std::string folder(path, nameStart);
    // Keep a root ("\", "C:\", "/") whole; drop the separator otherwise.
    if (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/') &&
        folder[folder.size() - 2] != ':') {
        folder.pop_back();
    }
    return folder;
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    std::string path = folder;
    if (path.empty()) {
        return name;
    }
    if (path.back() != '/' && path.back() != '\\') {
#ifdef _WIN32
        path += path.find('/') != std::string::npos && path.find('\\') == std::string::npos ? '/'
                                                                                            : '\\';
#else
        path += '/';
#endif
    }
    return path + name;
}

std::string TemporaryName(const std::string& folder, const char* suffix) {
    static std::atomic<unsigned> counter{0};
    return PathInFolder(folder, ".~pv" + std::to_string(ProcessId()) + "-" +
                                    std::to_string(counter++) + suffix);
}

int CreateHeldFile(const std::string& path) {
#ifdef _WIN32
    // Others may read it and may rename or delete it only by name through
    // this handle's owner (FILE_SHARE_DELETE lets this process rename it
    // into place while it is open); a cleaner, asking for no sharing, fails.
    const HANDLE handle =
        CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = GetLastError() == ERROR_FILE_EXISTS ? EEXIST : EACCES;
        return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        DeleteFileA(path.c_str());
    }
    return fd;
#else
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return -1;
    }
    // A cleaner may have taken the new file between its creation and this
    // lock; then it is gone from the folder once the lock is ours.
    int locked;
    do {
        locked = flock(fd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    struct stat info;
    if (locked != 0 || fstat(fd, &info) != 0 || info.st_nlink == 0) {
        close(fd);
        errno = EAGAIN;
        return -1;
    }
    return fd;
#endif
}

int CreateTemporaryFile(const std::string& folder, std::string& path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = TemporaryName(folder, ".tmp");
        const int fd = CreateHeldFile(candidate);
        if (fd >= 0) {
            path = std::move(candidate);
            return fd;
        }
        if (errno != EEXIST && errno != EAGAIN) {
            return -1;
        }
    }
    return -1;
}

std::size_t RemoveDeadTemporaries(const std::string& folder) {
    std::size_t removed = 0;
#ifdef _WIN32
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(PathInFolder(folder, ".~pv*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    do {
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
                0 &&
            IsTemporaryName(found.cFileName) &&
            RemoveIfUnheld(PathInFolder(folder, found.cFileName))) {
            ++removed;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
#else
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr) {
        return 0;
    }
    while (const dirent* entry = readdir(directory)) {
        if (IsTemporaryName(entry->d_name) && RemoveIfUnheld(PathInFolder(folder, entry->d_name))) {
            ++removed;
        }
    }
    closedir(directory);
#endif
    return removed;
}

void RemoveDeadTemporariesOnce(const std::string& folder) {
    static std::mutex mutex;
    static std::set<std::string> cleaned;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!cleaned.insert(folder).second) {
            return;
        }
    }
    RemoveDeadTemporaries(folder);
}
