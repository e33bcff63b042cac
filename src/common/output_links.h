// Links inside output folders. A folder that a command writes into may hold a
// symbolic link (on Windows also a junction or another reparse point) that
// someone else put there: a linked subfolder or file would have the command
// write, replace or delete files elsewhere, in a folder the user never named.
// Every file a command writes, replaces or deletes inside its output folder
// is therefore checked first, component by component below that folder, and
// refused when any of them is a link. The output folder itself, as the user
// named it, may be a link: that is where the user chose to write.
#pragma once

#include "common/result.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The first entry on the way from `folder` down to `path` (a path below it,
// spelt as `folder` followed by a separator and the rest) that is a link,
// `path` itself included; nothing when none is. An entry that does not exist
// (yet) is no link.
std::optional<std::string> LinkBelowFolder(const std::string& folder, const std::string& path);

// Refused with "output-link", naming the link, when LinkBelowFolder finds one.
Status RefuseLinkBelowFolder(const std::string& folder, const std::string& path);

// WriteFileBytes for a file below the output folder `folder`, refused as above
// when the way to it holds a link.
Status WriteFileBelowFolder(const std::string& folder, const std::string& path,
                            std::span<const std::uint8_t> bytes);
