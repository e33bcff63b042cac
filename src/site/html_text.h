// Text made safe for the place in a page where it lands. Every name on the
// site's pages comes from a catalogue that may be hostile (piece names,
// file names, texture names, the title): none of it may end an element, an
// attribute or a URL, or be read as markup.
#pragma once

#include <string>
#include <string_view>

// Text for between tags: "&", "<" and ">" as character references. Bytes that
// are not UTF-8, and control characters other than tab and line ends, become
// U+FFFD, so that a page is always valid UTF-8 whatever a name holds.
std::string HtmlText(std::string_view utf8);

// Text for a double- or single-quoted attribute value: HtmlText with both
// quote characters as character references as well.
std::string HtmlAttribute(std::string_view utf8);
