#include "common/folder_lock.h"

#include "common/temporary_files.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

// The folder's full path, the key of the fixed order; on Windows folded to
// one case, as the file system compares names.
std::string FullPath(const std::string& folder) {
#ifdef _WIN32
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(folder.c_str(), MAX_PATH, full, nullptr);
    std::string path = length > 0 && length < MAX_PATH ? std::string(full, length) : folder;
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) {
        path.pop_back();
    }
    CharLowerBuffA(path.data(), static_cast<DWORD>(path.size()));
    return path;
#else
    char* resolved = realpath(folder.c_str(), nullptr);
    if (resolved == nullptr) {
        return folder;
    }
    std::string path(resolved);
    std::free(resolved);
    return path;
#endif
}

constexpr long long kNoHandle = -1;

// Opens the folder's lock file, making it when missing with `create`; only
// to read without (a folder the user may only read is looked at too).
long long OpenLockFile(const std::string& folder, bool create) {
    const std::string path = PathInFolder(folder, kFolderLockName);
#ifdef _WIN32
    const HANDLE handle =
        CreateFileA(path.c_str(), create ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    create ? OPEN_ALWAYS : OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | (create ? FILE_FLAG_DELETE_ON_CLOSE : 0), nullptr);
    return handle == INVALID_HANDLE_VALUE
               ? kNoHandle
               : static_cast<long long>(reinterpret_cast<std::intptr_t>(handle));
#else
    const int fd =
        open(path.c_str(), (create ? O_RDWR | O_CREAT : O_RDONLY) | O_NOFOLLOW | O_CLOEXEC, 0666);
    return fd < 0 ? kNoHandle : fd;
#endif
}

// True when the lock file open as `handle` is still the one at `path`.
bool StillInFolder([[maybe_unused]] long long handle, [[maybe_unused]] const std::string& path) {
#ifdef _WIN32
    return true; // it goes only with its last handle
#else
    struct stat open;
    struct stat named;
    return fstat(static_cast<int>(handle), &open) == 0 && stat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
#endif
}

bool TryLock(long long handle) {
#ifdef _WIN32
    OVERLAPPED at = {};
    return LockFileEx(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(handle)),
                      LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
#else
    return flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) == 0;
#endif
}

void CloseLockFile(long long handle) {
#ifdef _WIN32
    // Closing the handle lets go of its lock.
    CloseHandle(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(handle)));
#else
    close(static_cast<int>(handle));
#endif
}

} // namespace

FolderLocks::~FolderLocks() {
    Release();
}

FolderLocks::FolderLocks(FolderLocks&& other) noexcept : held_(std::move(other.held_)) {
    other.held_.clear();
}

FolderLocks& FolderLocks::operator=(FolderLocks&& other) noexcept {
    if (this != &other) {
        Release();
        held_ = std::move(other.held_);
        other.held_.clear();
    }
    return *this;
}

void FolderLocks::Release() {
    for (auto it = held_.rbegin(); it != held_.rend(); ++it) {
#ifndef _WIN32
        unlink(it->path.c_str());
#endif
        CloseLockFile(it->handle);
    }
    held_.clear();
}

int LockWaitMilliseconds() {
    if (const char* text = std::getenv("PIECETOOL_LOCK_WAIT_MS")) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && value >= 0 && value <= 3600000) {
            return static_cast<int>(value);
        }
    }
    return 5000;
}

Result<FolderLocks> LockFolders(const std::vector<std::string>& folders, int waitMilliseconds) {
    std::vector<std::pair<std::string, std::string>> ordered; // full path, as given
    for (const std::string& folder : folders) {
        ordered.emplace_back(FullPath(folder), folder);
    }
    std::sort(ordered.begin(), ordered.end());
    ordered.erase(std::unique(ordered.begin(), ordered.end(),
                              [](const auto& a, const auto& b) { return a.first == b.first; }),
                  ordered.end());

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMilliseconds);
    FolderLocks locks;
    for (const auto& [full, folder] : ordered) {
        const std::string path = PathInFolder(folder, kFolderLockName);
        for (;;) {
            const long long handle = OpenLockFile(folder, true);
            if (handle == kNoHandle) {
#ifdef _WIN32
                // A lock file that its last holder has just removed cannot
                // be opened until it is gone.
                if (GetLastError() == ERROR_ACCESS_DENIED && Clock::now() < deadline) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    continue;
                }
#endif
                return Refuse("folder-lock", folder);
            }
            // Polled: neither system waits for such a lock with a time limit.
            while (!TryLock(handle)) {
                if (Clock::now() >= deadline) {
                    CloseLockFile(handle);
                    return Refuse("folder-busy", folder);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            if (StillInFolder(handle, path)) {
                locks.Add(handle, path);
                break;
            }
            CloseLockFile(handle);
        }
    }
    return locks;
}

bool FolderLockHeld(const std::string& folder) {
    const long long handle = OpenLockFile(folder, false);
    if (handle == kNoHandle) {
        return false; // no run has ever locked it
    }
    const bool held = !TryLock(handle);
    CloseLockFile(handle);
    return held;
}
