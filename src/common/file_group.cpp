#include "common/file_group.h"

#include "common/file_io.h"
#include "common/path_text.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// Renames `from` to `to` unless something is at `to` already: the check and
// the rename are one step of the file system, so a file that appears in
// between is never replaced.
bool RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef _WIN32
    // Without MOVEFILE_REPLACE_EXISTING the move fails on an existing target.
    return MoveFileExA(from.c_str(), to.c_str(), 0) != 0;
#else
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // A file system without the no-replace rename: a hard link fails on an
    // existing target in the same way; failing that, check, then rename.
    if (link(from.c_str(), to.c_str()) == 0) {
        unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST || Exists(to)) {
        return false;
    }
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

// Moves `path` aside to a fresh name in its own folder; the new name, or
// empty when it cannot be moved.
std::string MoveAside(const std::string& path) {
    static unsigned counter = 0;
    const std::size_t nameStart = FileNameOffset(path.c_str());
#ifdef _WIN32
    const unsigned long process = GetCurrentProcessId();
#else
    const unsigned long process = static_cast<unsigned long>(getpid());
#endif
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string aside = path.substr(0, nameStart) + ".~pv" + std::to_string(process) +
                                  "-" + std::to_string(counter++) + ".old";
        if (RenameNoReplace(path, aside)) {
            return aside;
        }
        if (!Exists(aside)) {
            return {}; // not a clash of names: the file itself cannot move
        }
    }
    return {};
}

Refusal WriteFailure(const std::string& what, const std::string& path) {
    return Refuse("file-write", what + " " + path);
}

} // namespace

Status WriteFileGroup(std::span<const GroupFile> files) {
    for (const GroupFile& file : files) {
        if (file.replaces.empty() && Exists(file.path)) {
            return Refuse("file-exists", file.path + " exists already");
        }
    }

    // Every file whole under its temporary name.
    std::vector<std::string> temporaries;
    const auto removeTemporaries = [&temporaries] {
        for (const std::string& temporary : temporaries) {
            if (!temporary.empty()) {
                std::remove(temporary.c_str());
            }
        }
    };
    for (const GroupFile& file : files) {
        OutputFile output;
        if (!BeginOutputFile(output, file.path.c_str())) {
            removeTemporaries();
            return WriteFailure("cannot create a file beside", file.path);
        }
        WriteOutput(output, file.bytes.data(), file.bytes.size());
        if (!CloseOutputTemporary(output)) {
            removeTemporaries();
            return WriteFailure("cannot write", file.path);
        }
        temporaries.push_back(output.tempPath);
    }

    // Into place, one after another, remembering how to undo each step.
    struct MovedAside {
        std::string original;
        std::string aside;
    };
    std::vector<MovedAside> movedAside;
    std::vector<std::string> placed;
    const auto undo = [&] {
        for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
            std::remove(it->c_str());
        }
        for (auto it = movedAside.rbegin(); it != movedAside.rend(); ++it) {
            RenameNoReplace(it->aside, it->original);
        }
        removeTemporaries();
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        const GroupFile& file = files[i];
        if (!file.replaces.empty() && Exists(file.replaces)) {
            std::string aside = MoveAside(file.replaces);
            if (aside.empty()) {
                undo();
                return WriteFailure("cannot move aside", file.replaces);
            }
            movedAside.push_back({file.replaces, std::move(aside)});
        }
        if (!RenameNoReplace(temporaries[i], file.path)) {
            const bool appeared = Exists(file.path);
            undo();
            return appeared ? Refuse("file-exists", file.path + " appeared while writing")
                            : WriteFailure("cannot rename into place", file.path);
        }
        placed.push_back(file.path);
        temporaries[i].clear();
    }
    for (const MovedAside& moved : movedAside) {
        std::remove(moved.aside.c_str());
    }
    return Success();
}
