// Any bytes as a name on the site's pages, and as a line of a site's
// manifest. Escaped, a name is valid UTF-8 in which no byte opens a tag, ends
// an attribute or starts a reference other than the escaper's own; and the
// same again as element text. A manifest line the site would act on names a
// file inside its folder: no parent, root, drive or backslash.
#include "site/html_text.h"
#include "site/site_files.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// The length of the UTF-8 character at `at`, or 0: written from the
// encoding's table, apart from the escaper's own reader.
std::size_t CharacterLength(std::string_view s, std::size_t at) {
    const auto b = [&](std::size_t i) { return static_cast<std::uint8_t>(s[at + i]); };
    const std::size_t left = s.size() - at;
    const auto tail = [&](std::size_t n) {
        for (std::size_t i = 1; i < n; ++i) {
            if (i >= left || (b(i) & 0xC0) != 0x80) {
                return false;
            }
        }
        return true;
    };
    std::uint32_t value = 0;
    std::size_t n = 0;
    if (b(0) < 0x80) {
        return 1;
    } else if ((b(0) & 0xE0) == 0xC0) {
        n = 2, value = b(0) & 0x1F;
    } else if ((b(0) & 0xF0) == 0xE0) {
        n = 3, value = b(0) & 0x0F;
    } else if ((b(0) & 0xF8) == 0xF0) {
        n = 4, value = b(0) & 0x07;
    } else {
        return 0;
    }
    if (!tail(n)) {
        return 0;
    }
    for (std::size_t i = 1; i < n; ++i) {
        value = (value << 6) | (b(i) & 0x3F);
    }
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool valid = value >= least[n] && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
    return valid ? n : 0;
}

void CheckEscaped(const std::string& out, bool quotes) {
    static const std::string_view references[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&#39;"};
    for (std::size_t at = 0; at < out.size();) {
        const char c = out[at];
        if (c == '<' || c == '>' || (quotes && (c == '"' || c == '\''))) {
            std::abort();
        }
        if (c == '&') {
            bool known = false;
            for (const std::string_view reference : references) {
                known = known || out.compare(at, reference.size(), reference) == 0;
            }
            if (!known) {
                std::abort();
            }
        }
        const std::size_t length = CharacterLength(out, at);
        if (length == 0) {
            std::abort();
        }
        at += length;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckEscaped(HtmlAttribute(bytes), true);
    CheckEscaped(HtmlText(bytes), false);
    if (IsSiteFile(bytes)) {
        if (bytes.find("..") != std::string_view::npos || bytes.find('\\') != bytes.npos ||
            bytes.find(':') != bytes.npos || bytes.starts_with('/') ||
            bytes.find('\0') != bytes.npos) {
            std::abort();
        }
    }
    return 0;
}
