// The names of a piece's files on the site (its page, its .glb, its
// thumbnail), made from its profile file's name. A profile's name may hold
// anything a file system allows: markup, quotes, bytes of any code page,
// names that differ from another only in case, names Windows reserves for
// devices. A page name holds only lower-case ASCII letters, digits, "-" and
// "_", so that it is a plain file name on every system and the same text in a
// URL; it is unique among the catalogue's pages even where the file system
// ignores case; and it depends on the profile's name alone, so a page keeps
// its address when other pieces come or go.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The longest page name before its suffix.
inline constexpr std::size_t kPageNameStemLength = 40;

// One page name per profile file name, in the same order. A name is the
// profile's stem (without ".prt") as it is when it is already a page name.
// Otherwise its letters are lowered, every other byte outside the allowed
// ones becomes "_" (runs of them one "_"), it is cut to kPageNameStemLength,
// and "-" and eight hex digits of a hash of the profile's stem follow, so that
// "A.prt" and "a.prt" get different pages. A name already taken by an
// earlier profile gets "-2", "-3" ... after it.
std::vector<std::string> PageNames(const std::vector<std::string>& profileFileNames);

// True when `name` could be a page name: what PageNames writes, and all that
// a site's manifest may name below its folder of pieces.
bool IsPageNameText(std::string_view name);
