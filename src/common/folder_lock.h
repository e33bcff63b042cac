// Runs that write the same folder take turns. Each such run holds an advisory
// lock on a file in the folder (".~pvlock", made when missing): flock on
// Linux, LockFileEx on Windows. The system lets go of the lock when the
// process ends, however it ends, so a killed run never blocks the next one
// (its lock file stays, and the next run takes it over). A run that finds the
// lock taken waits a bounded time for it and then gives up, having written
// nothing. A run that finishes removes the lock file while it still holds the
// lock: on Linux a waiter that then gets the lock of the removed file sees
// that it is no longer the folder's and starts again with a new one; on
// Windows the file is opened to go once its last handle closes.
#pragma once

#include "common/result.h"

#include <string>
#include <vector>

inline constexpr const char* kFolderLockName = ".~pvlock";

// The locks of a run, let go when the object goes.
class FolderLocks {
  public:
    FolderLocks() = default;
    ~FolderLocks();
    FolderLocks(FolderLocks&& other) noexcept;
    FolderLocks& operator=(FolderLocks&& other) noexcept;
    FolderLocks(const FolderLocks&) = delete;
    FolderLocks& operator=(const FolderLocks&) = delete;

    void Add(long long handle, std::string path) { held_.push_back({handle, std::move(path)}); }

  private:
    struct Held {
        long long handle;
        std::string path;
    };
    void Release();
    std::vector<Held> held_;
};

// How long a run waits for a folder another run holds: 5 seconds, or the
// milliseconds that PIECETOOL_LOCK_WAIT_MS gives.
int LockWaitMilliseconds();

// Locks every folder, one at a time in a fixed order (by the full path, the
// same folder named twice taken once), so that two runs that want several of
// the same folders never each hold one the other waits for. "folder-busy"
// when one stays taken for `waitMilliseconds`, "folder-lock" when its lock
// file cannot be made or opened; the message is the folder's path as given.
Result<FolderLocks> LockFolders(const std::vector<std::string>& folders, int waitMilliseconds);

// True when another live process holds the folder's lock now. Makes no lock
// file.
bool FolderLockHeld(const std::string& folder);
