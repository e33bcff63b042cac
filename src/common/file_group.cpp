#include "common/file_group.h"

#include "common/file_io.h"
#include "common/path_text.h"
#include "common/temporary_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

GroupStepHook stepHook = nullptr;

constexpr std::string_view kPrepare = ".prepare";
constexpr std::string_view kCommit = ".commit";
constexpr std::string_view kDone = ".done";
constexpr std::string_view kJournalHeader = "file group journal 1\n";

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

// The journal's renames reach the disk before the next step relies on them.
void SyncFolder([[maybe_unused]] const std::string& folder) {
#ifndef _WIN32
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
#endif
}

// A path that names the same file from any working folder: a later run that
// finds the journal may start elsewhere.
std::string AbsolutePath(const std::string& path) {
#ifdef _WIN32
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full, length) : path;
#else
    if (!path.empty() && path[0] == '/') {
        return path;
    }
    char here[4096];
    return getcwd(here, sizeof here) != nullptr ? std::string(here) + "/" + path : path;
#endif
}

// One step of a group. A file of the group: `temporary` renamed to `target`,
// after `replaces` (when not empty) moved to `aside`. A file that goes with
// the group: `target` and `temporary` empty, `replaces` moved to `aside`.
struct Step {
    std::string temporary;
    std::string target;
    std::string replaces;
    std::string aside;
};

// Journal lines: four fields between tabs; a backslash, tab or line break
// inside a path is written as "\\", "\t", "\n".
void AppendField(std::string& text, const std::string& field) {
    for (const char c : field) {
        if (c == '\\') {
            text += "\\\\";
        } else if (c == '\t') {
            text += "\\t";
        } else if (c == '\n') {
            text += "\\n";
        } else {
            text += c;
        }
    }
}

std::string JournalText(const std::vector<Step>& steps) {
    std::string text(kJournalHeader);
    for (const Step& step : steps) {
        AppendField(text, step.temporary);
        text += '\t';
        AppendField(text, step.target);
        text += '\t';
        AppendField(text, step.replaces);
        text += '\t';
        AppendField(text, step.aside);
        text += '\n';
    }
    return text;
}

bool ParseJournal(std::string_view text, std::vector<Step>& steps) {
    if (!text.starts_with(kJournalHeader)) {
        return false;
    }
    text.remove_prefix(kJournalHeader.size());
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            return false;
        }
        std::string fields[4];
        std::size_t field = 0;
        for (std::size_t i = 0; i < end; ++i) {
            const char c = text[i];
            if (c == '\t') {
                if (++field == 4) {
                    return false;
                }
            } else if (c == '\\') {
                if (++i == end) {
                    return false;
                }
                const char e = text[i];
                if (e != '\\' && e != 't' && e != 'n') {
                    return false;
                }
                fields[field] += e == 't' ? '\t' : e == 'n' ? '\n' : '\\';
            } else {
                fields[field] += c;
            }
        }
        if (field != 3 || fields[2].empty() != fields[3].empty() ||
            fields[0].empty() != fields[1].empty() || (fields[0].empty() && fields[2].empty())) {
            return false;
        }
        steps.push_back({fields[0], fields[1], fields[2], fields[3]});
        text.remove_prefix(end + 1);
    }
    return true;
}

// Writes the journal whole and durable under `path`.
bool WriteJournal(const std::string& path, const std::vector<Step>& steps) {
    const std::string text = JournalText(steps);
    OutputFile file;
    if (!BeginOutputFile(file, path.c_str())) {
        return false;
    }
    WriteOutput(file, text.data(), text.size());
    if (!SyncOutputTemporary(file)) {
        AbandonOutputFile(file);
        return false;
    }
    return CommitOutputFile(file);
}

std::string WithPhase(const std::string& base, std::string_view phase) {
    return base + std::string(phase);
}

Refusal StepFailure(const std::string& journal, const std::string& what) {
    return Refuse("file-group", "the journal " + journal + ": " + what);
}

// The part of recovery shared by every phase after the renames: the
// temporaries go (those that are still there were never placed, or were put
// back), then the journal.
Status DropPrepared(const std::string& journal, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        if (!step.temporary.empty() && Exists(step.temporary) &&
            std::remove(step.temporary.c_str()) != 0) {
            return StepFailure(journal, "cannot remove " + step.temporary);
        }
    }
    if (std::remove(journal.c_str()) != 0) {
        return StepFailure(journal, "cannot be removed");
    }
    return Success();
}

// Undoes a group whose journal is at `base` + ".commit".
Status Undo(const std::string& base, const std::vector<Step>& steps) {
    const std::string journal = WithPhase(base, kCommit);
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        const Step& step = *it;
        // A temporary gone means its rename into place was taken: all of
        // them were there, written, before the journal reached ".commit".
        if (!step.temporary.empty() && !Exists(step.temporary) && Exists(step.target) &&
            !RenameNoReplace(step.target, step.temporary)) {
            return StepFailure(journal, "cannot move " + step.target + " back");
        }
        if (!step.aside.empty() && Exists(step.aside) && !Exists(step.replaces) &&
            !RenameNoReplace(step.aside, step.replaces)) {
            return StepFailure(journal, "cannot move " + step.aside + " back to " + step.replaces);
        }
    }
    // Every file is as it was: from here on only the temporaries are left.
    const std::string prepared = WithPhase(base, kPrepare);
    if (!RenameNoReplace(journal, prepared)) {
        return StepFailure(journal, "cannot be renamed");
    }
    SyncFolder(FolderOfPath(prepared.c_str()));
    return DropPrepared(prepared, steps);
}

// Finishes a group whose journal is at `base` + ".done".
Status Finish(const std::string& base, const std::vector<Step>& steps) {
    const std::string journal = WithPhase(base, kDone);
    for (const Step& step : steps) {
        if (!step.aside.empty() && Exists(step.aside) && std::remove(step.aside.c_str()) != 0) {
            return StepFailure(journal, "cannot remove " + step.aside);
        }
    }
    if (std::remove(journal.c_str()) != 0) {
        return StepFailure(journal, "cannot be removed");
    }
    return Success();
}

// The journal's name without its phase, and the phase; empty when `name` is
// not a journal's.
std::string_view PhaseOf(std::string_view name) {
    if (!name.starts_with(".~pv")) {
        return {};
    }
    for (const std::string_view phase : {kPrepare, kCommit, kDone}) {
        if (name.size() > phase.size() + 4 && name.ends_with(phase)) {
            return phase;
        }
    }
    return {};
}

// ".~pvPID-N" and `suffix`, the form TemporaryName gives.
bool IsGroupName(std::string_view name, std::string_view suffix) {
    constexpr std::string_view kPrefix = ".~pv";
    if (!name.starts_with(kPrefix) || !name.ends_with(suffix) ||
        name.size() <= kPrefix.size() + suffix.size()) {
        return false;
    }
    const std::string_view middle =
        name.substr(kPrefix.size(), name.size() - kPrefix.size() - suffix.size());
    const std::size_t dash = middle.find('-');
    const auto digits = [](std::string_view text) {
        return !text.empty() &&
               std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return dash != std::string_view::npos && digits(middle.substr(0, dash)) &&
           digits(middle.substr(dash + 1));
}

// True when `path` lies directly in one of `folders` (the same folder on
// disk, however it is spelt).
bool InOneOf(const std::string& path, std::span<const std::string> folders) {
    const std::string folder = FolderOfPath(path.c_str());
    return std::any_of(folders.begin(), folders.end(), [&](const std::string& allowed) {
        // The folder as a path of a file in it would give: Windows' stat
        // fails on a folder name that ends in a separator.
        const std::string spelt = FolderOfPath(PathInFolder(allowed, "x").c_str());
        std::error_code error;
        return AbsolutePath(spelt) == folder || std::filesystem::equivalent(folder, spelt, error);
    });
}

// A journal's steps may only move files of the import's own folders, and
// only under the names a group write gives: a journal planted in a shared
// folder must not rename or remove anything else.
bool StepsStayInside(const std::vector<Step>& steps, std::span<const std::string> folders) {
    const auto named = [](const std::string& path, std::string_view suffix) {
        return IsGroupName(std::string_view(path).substr(FileNameOffset(path.c_str())), suffix);
    };
    for (const Step& step : steps) {
        for (const std::string* path :
             {&step.temporary, &step.target, &step.replaces, &step.aside}) {
            if (!path->empty() && !InOneOf(*path, folders)) {
                return false;
            }
        }
        if ((!step.temporary.empty() && !named(step.temporary, ".new")) ||
            (!step.aside.empty() && !named(step.aside, ".old"))) {
            return false;
        }
    }
    return true;
}

// `folders`: those the journal may name, or null for the journal this
// process has just written itself.
Status RecoverJournal(const std::string& journal, std::string_view phase,
                      const std::span<const std::string>* folders) {
    const Result<std::vector<std::uint8_t>> bytes = ReadFileBytes(journal.c_str(), 1u << 20);
    std::vector<Step> steps;
    if (!bytes ||
        !ParseJournal({reinterpret_cast<const char*>(bytes->data()), bytes->size()}, steps)) {
        return StepFailure(journal, "cannot be read");
    }
    if (folders != nullptr && !StepsStayInside(steps, *folders)) {
        return StepFailure(journal, "names files outside the folders of this import");
    }
    const std::string base = journal.substr(0, journal.size() - phase.size());
    if (phase == kPrepare) {
        return DropPrepared(journal, steps);
    }
    if (phase == kCommit) {
        return Undo(base, steps);
    }
    return Finish(base, steps);
}

Refusal WriteFailure(const std::string& what, const std::string& path) {
    return Refuse("file-write", what + " " + path);
}

} // namespace

void SetGroupStepHook(GroupStepHook hook) {
    stepHook = hook;
}

Status WriteFileGroup(std::span<const GroupFile> files, std::span<const std::string> removals) {
    if (files.empty()) {
        return Success();
    }
    for (const GroupFile& file : files) {
        if (file.replaces.empty() && Exists(file.path)) {
            return Refuse("file-exists", file.path + " exists already");
        }
    }

    // Every step named before the first is taken.
    std::vector<Step> steps;
    for (const GroupFile& file : files) {
        const std::string target = AbsolutePath(file.path);
        const std::string folder = FolderOfPath(target.c_str());
        RemoveDeadTemporariesOnce(folder);
        Step step{TemporaryName(folder, ".new"), target, {}, {}};
        if (!file.replaces.empty()) {
            step.replaces = AbsolutePath(file.replaces);
            step.aside = TemporaryName(FolderOfPath(step.replaces.c_str()), ".old");
        }
        steps.push_back(std::move(step));
    }
    for (const std::string& removal : removals) {
        const std::string original = AbsolutePath(removal);
        steps.push_back({{}, {}, original, TemporaryName(FolderOfPath(original.c_str()), ".old")});
    }
    const std::string base = TemporaryName(FolderOfPath(steps[0].target.c_str()), "");

    std::size_t stepNumber = 0;
    std::vector<OutputFile> outputs(files.size());
    const auto stopped = [&] {
        if (stepHook == nullptr || stepHook(stepNumber++)) {
            return false;
        }
        for (OutputFile& output : outputs) {
            ReleaseOutputFile(output);
        }
        return true;
    };
    const Refusal stop = Refuse("file-group-stopped", "stopped by the test hook");
    const auto undo = [&](std::string_view phase, Refusal refusal) -> Refusal {
        for (OutputFile& output : outputs) {
            ReleaseOutputFile(output);
        }
        if (Status undone = RecoverJournal(WithPhase(base, phase), phase, nullptr); !undone) {
            refusal.message += "; undoing the steps taken failed too (" + undone.refusal().message +
                               "): the next import puts them right";
        }
        return refusal;
    };

    if (stopped()) {
        return stop;
    }
    if (!WriteJournal(WithPhase(base, kPrepare), steps)) {
        return WriteFailure("cannot write the journal", WithPhase(base, kPrepare));
    }
    // Every file whole and durable under its temporary name, kept open (and
    // so held) until it is renamed.
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (stopped()) {
            return stop;
        }
        OutputFile& output = outputs[i];
        if (!BeginOutputAtNewPath(output, steps[i].temporary, files[i].path.c_str())) {
            return undo(kPrepare, WriteFailure("cannot create a file beside", files[i].path));
        }
        WriteOutput(output, files[i].bytes.data(), files[i].bytes.size());
        if (!SyncOutputTemporary(output)) {
            return undo(kPrepare, WriteFailure("cannot write", files[i].path));
        }
    }
    if (stopped()) {
        return stop;
    }
    if (!RenameNoReplace(WithPhase(base, kPrepare), WithPhase(base, kCommit))) {
        return undo(kPrepare, WriteFailure("cannot rename the journal", base));
    }
    SyncFolder(FolderOfPath(base.c_str()));

    // Into place, one after another.
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        if (!step.replaces.empty() && Exists(step.replaces)) {
            if (stopped()) {
                return stop;
            }
            if (!RenameNoReplace(step.replaces, step.aside)) {
                return undo(kCommit, WriteFailure("cannot move aside", step.replaces));
            }
        }
        if (step.temporary.empty()) {
            continue;
        }
        if (stopped()) {
            return stop;
        }
        if (!RenameNoReplace(step.temporary, step.target)) {
            const bool appeared = Exists(step.target);
            return undo(kCommit,
                        appeared ? Refuse("file-exists", files[i].path + " appeared while writing")
                                 : WriteFailure("cannot rename into place", files[i].path));
        }
    }
    for (OutputFile& output : outputs) {
        ReleaseOutputFile(output);
    }
    for (const Step& step : steps) {
        if (!step.target.empty()) {
            SyncFolder(FolderOfPath(step.target.c_str()));
        }
    }
    if (stopped()) {
        return stop;
    }
    if (!RenameNoReplace(WithPhase(base, kCommit), WithPhase(base, kDone))) {
        return undo(kCommit, WriteFailure("cannot rename the journal", base));
    }
    SyncFolder(FolderOfPath(base.c_str()));
    for (const Step& step : steps) {
        if (!step.aside.empty() && Exists(step.aside)) {
            if (stopped()) {
                return stop;
            }
            std::remove(step.aside.c_str());
        }
    }
    if (stopped()) {
        return stop;
    }
    std::remove(WithPhase(base, kDone).c_str());
    return Success();
}

Result<std::vector<std::string>> RecoverFileGroups(const std::string& folder,
                                                   std::span<const std::string> folders) {
    std::vector<std::string> recovered;
    for (const std::string& journal : InterruptedFileGroups(folder)) {
        const std::string_view phase = PhaseOf(journal.substr(FileNameOffset(journal.c_str())));
        if (Status status = RecoverJournal(journal, phase, &folders); !status) {
            return status.refusal();
        }
        recovered.push_back(journal);
    }
    return recovered;
}

std::vector<std::string> InterruptedFileGroups(const std::string& folder) {
    std::vector<std::string> journals;
#ifdef _WIN32
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(PathInFolder(folder, ".~pv*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return journals;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            !PhaseOf(found.cFileName).empty()) {
            journals.push_back(PathInFolder(folder, found.cFileName));
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
#else
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr) {
        return journals;
    }
    while (const dirent* entry = readdir(directory)) {
        if (!PhaseOf(entry->d_name).empty()) {
            journals.push_back(PathInFolder(folder, entry->d_name));
        }
    }
    closedir(directory);
#endif
    std::sort(journals.begin(), journals.end());
    return journals;
}
