// Several files written all or nothing: the files of one map piece go to
// three folders, and a piece with its profile but without its model (or with
// the textures of an older version) would be worse than none.
//
// Every file is first written whole under a temporary name in its own folder
// (a rename moves a file only within one file system). Only when all of them
// are written are they renamed into place, one after another; a file that
// replaces an existing one first moves that one aside under a temporary name.
// When any step fails, the steps already taken are undone in reverse: the
// files renamed into place are removed, the files moved aside are moved back,
// and no temporary is left. A rename into place never replaces a file that
// appeared in the meantime: that counts as a failure.
#pragma once

#include "common/result.h"

#include <cstdint>
#include <span>
#include <string>

struct GroupFile {
    std::string path; // where the file goes
    std::span<const std::uint8_t> bytes;
    // The existing file that this one takes the place of: `path` itself, or
    // another spelling of it in the same folder (a name that differs in case
    // only, which Windows takes for the same file). Empty when no file may
    // exist at `path`.
    std::string replaces;
};

// Writes the group. Refusals: "file-exists" (a file is at the `path` of a file
// that replaces none), "file-write" (a file cannot be written, or a rename
// fails; the message names the path).
Status WriteFileGroup(std::span<const GroupFile> files);
