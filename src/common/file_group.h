// Several files written all or nothing: the files of one map piece go to
// three folders, and a piece with its profile but without its model (or with
// the textures of an older version) would be worse than none.
//
// Every file is first written whole under a temporary name in its own folder
// (a rename moves a file only within one file system) and made durable. Only
// then are they renamed into place, one after another; a file that replaces
// an existing one first moves that one aside under a temporary name, and a
// file that goes with the group (a texture the new piece no longer has) is
// moved aside likewise. The moved-aside files are removed last.
//
// Before the first of these steps a journal naming every one of them is
// written into the folder of the group's first file; its name says how far
// the group got: ".prepare" while the temporaries are written, ".commit"
// while files are renamed, ".done" once every file is in place. A run cut
// short at any step (killed, a crash, a power cut) leaves the journal, and
// RecoverFileGroups puts things right from it: a group that had not reached
// ".done" is undone (every file renamed into place goes back to its
// temporary name, every file moved aside comes back), one that had is
// finished; then the temporaries and the journal go. Each recovery step is
// taken only when the files show it is still to be taken, so a recovery that
// is itself cut short is simply run again. A failure while writing undoes
// the group the same way at once. A rename into place never replaces a file
// that appeared in the meantime: that counts as a failure.
#pragma once

#include "common/result.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct GroupFile {
    std::string path; // where the file goes
    std::span<const std::uint8_t> bytes;
    // The existing file that this one takes the place of: `path` itself, or
    // another spelling of it in the same folder (a name that differs in case
    // only, which Windows takes for the same file). Empty when no file may
    // exist at `path`.
    std::string replaces;
};

// Writes the group; the files of `removals` (existing files, none of them a
// `replaces` of the group) go with it. Refusals: "file-exists" (a file is at
// the `path` of a file that replaces none), "file-write" (a file cannot be
// written, or a rename fails; the message names the path).
Status WriteFileGroup(std::span<const GroupFile> files, std::span<const std::string> removals = {});

// Finishes or undoes every group whose journal lies in `folder` (see above).
// The caller holds the locks of `folders`, those the groups write. A journal
// is only a file in a folder that others may share: one that names a file
// outside `folders`, or a temporary or moved-aside file under a name this
// code does not give, is not acted on. Returns the journals dealt with;
// "file-group" naming a journal that cannot be read or acted on, or a step
// that cannot be taken, that journal left as it is.
Result<std::vector<std::string>> RecoverFileGroups(const std::string& folder,
                                                   std::span<const std::string> folders);

// The journals in `folder` of groups cut short, by path.
std::vector<std::string> InterruptedFileGroups(const std::string& folder);

// For tests: called before each step of a group write that changes the file
// system (journal, temporaries, renames, removals), numbered from 0. When it
// returns false the write stops dead there, as if the process had been
// killed: nothing is undone, and WriteFileGroup returns "file-group-stopped".
using GroupStepHook = bool (*)(std::size_t step);
void SetGroupStepHook(GroupStepHook hook);
