#include "common/shift_jis_text.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace {

void AppendEscape(std::string& out, unsigned char byte) {
    char escape[5];
    std::snprintf(escape, sizeof escape, "\\x%02X", byte);
    out += escape;
}

bool IsAscii(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

#ifdef _WIN32
// One character of code page 932 (one or two bytes) as UTF-8, or nothing when
// the bytes are not a character of the code page.
bool AppendCharacter(std::string& out, const char* bytes, int count) {
    wchar_t wide[2];
    const int wideCount = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes, count, wide, 2);
    if (wideCount <= 0) {
        return false;
    }
    char utf8[8];
    const int utf8Count =
        WideCharToMultiByte(CP_UTF8, 0, wide, wideCount, utf8, sizeof utf8, nullptr, nullptr);
    if (utf8Count <= 0) {
        return false;
    }
    out.append(utf8, static_cast<std::size_t>(utf8Count));
    return true;
}
#endif

} // namespace

std::string ShiftJisToUtf8(std::string_view bytes) {
    if (IsAscii(bytes)) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size() * 2);
#ifdef _WIN32
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        if (at + 1 < bytes.size() && IsDBCSLeadByteEx(932, byte) &&
            AppendCharacter(out, bytes.data() + at, 2)) {
            at += 2;
        } else if (!IsDBCSLeadByteEx(932, byte) && AppendCharacter(out, bytes.data() + at, 1)) {
            at += 1;
        } else {
            AppendEscape(out, byte);
            at += 1;
        }
    }
#else
    // CP932 is the Windows form of Shift-JIS: 0x5C is "\" and 0x7E is "~",
    // as the viewer shows them, where plain Shift-JIS has yen and overline.
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x80) {
                out += c;
            } else {
                AppendEscape(out, byte);
            }
        }
        return out;
    }
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outAt = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(converter, &in, &inLeft, &outAt, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outAt - buffer));
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // An invalid or incomplete sequence: show its first byte and go on
            // from the next one.
            AppendEscape(out, static_cast<unsigned char>(*in));
            ++in;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(converter);
#endif
    return out;
}
