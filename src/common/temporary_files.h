// The temporary files this program writes beside their targets, and the
// removal of those that a run killed before it finished left behind.
//
// A temporary is named ".~pvPID-N" and a suffix, and is created new (never
// opened if it exists). From the moment it is created until it is renamed
// into place or removed, its writer holds it: on Linux an exclusive flock on
// the open file, on Windows the open handle itself, which lets nobody else
// open the file without sharing. The system lets go of both when the process
// ends, however it ends; so a temporary that another process can take hold
// of belongs to no live run, and only such a one is ever removed.
#pragma once

#include <cstddef>
#include <string>

// The folder part of `path` ("." when it has none; a root kept whole).
std::string FolderOfPath(const char* path);

// `folder` joined with `name` by the separator the path already uses.
std::string PathInFolder(const std::string& folder, const std::string& name);

// A fresh name ".~pvPID-N<suffix>" in `folder`, unique within this process.
std::string TemporaryName(const std::string& folder, const char* suffix);

// Creates the file `path`, which must not exist, for writing, held as above.
// A descriptor for the C runtime's _write/write and _close/close, or -1.
int CreateHeldFile(const std::string& path);

// Creates a held temporary ".~pvPID-N.tmp" in `folder`; its path goes to
// `path`. -1 when none can be made.
int CreateTemporaryFile(const std::string& folder, std::string& path);

// Removes from `folder` the temporaries (".tmp") no live process holds.
// Returns how many went. Names of any other form are never touched.
std::size_t RemoveDeadTemporaries(const std::string& folder);

// The same, done once per folder in a process: every writer calls it
// before its first file in a folder.
void RemoveDeadTemporariesOnce(const std::string& folder);
