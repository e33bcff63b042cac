#include "common/shift_jis_text.h"

#include <algorithm>
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

namespace {

// The length of the UTF-8 character at the start of `text` and its code
// point, or 0 when the bytes there are not a well-formed character (an
// overlong form, a surrogate, beyond U+10FFFF, cut off).
std::size_t Utf8Character(std::string_view text, char32_t& codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t lowest = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, lowest = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    codePoint = value;
    return length;
}

#ifndef _WIN32
struct Cp932Encoder {
    iconv_t converter = iconv_open("CP932", "UTF-8");
    ~Cp932Encoder() {
        if (converter != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(converter);
        }
    }
};
#endif

// The code-page-932 bytes of one UTF-8 character, or empty when the code
// page has no code for it (best-fit codes included: they are checked by the
// caller's round trip).
std::string EncodeCharacter(std::string_view character) {
#ifdef _WIN32
    wchar_t wide[2];
    const int wideCount = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, character.data(),
                                              static_cast<int>(character.size()), wide, 2);
    char bytes[4];
    BOOL usedDefault = FALSE;
    const int count = wideCount <= 0
                          ? 0
                          : WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, wideCount, bytes,
                                                sizeof bytes, nullptr, &usedDefault);
    return count <= 0 || usedDefault ? std::string() : std::string(bytes, count);
#else
    static thread_local Cp932Encoder encoder;
    if (encoder.converter == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    iconv(encoder.converter, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(character.data());
    std::size_t inLeft = character.size();
    char bytes[8];
    char* out = bytes;
    std::size_t outLeft = sizeof bytes;
    if (iconv(encoder.converter, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) ||
        inLeft != 0) {
        return {};
    }
    return std::string(bytes, static_cast<std::size_t>(out - bytes));
#endif
}

} // namespace

Result<std::string> Utf8ToShiftJis(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        char32_t codePoint = 0;
        const std::size_t length = Utf8Character(utf8.substr(at), codePoint);
        if (length == 0) {
            char where[96];
            std::snprintf(where, sizeof where, "byte %zu (0x%02X) does not start a UTF-8 character",
                          at, static_cast<unsigned char>(utf8[at]));
            return Refuse("text-not-utf8", where);
        }
        const std::string_view character = utf8.substr(at, length);
        if (codePoint < 0x80) {
            out += character; // ASCII is the same in code page 932
        } else {
            const std::string bytes = EncodeCharacter(character);
            if (bytes.empty() || ShiftJisToUtf8(bytes) != character) {
                char name[16];
                std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(codePoint));
                return Refuse("text-not-shift-jis", "the character \"" + std::string(character) +
                                                        "\" (" + name +
                                                        ") has no code of its own in code page "
                                                        "932 (Shift-JIS)");
            }
            out += bytes;
        }
        at += length;
    }
    return out;
}

#ifdef _WIN32
std::wstring Widen(std::string_view text, unsigned codePage) {
    const int count =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(count > 0 ? count : 0), L'\0');
    if (count > 0) {
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            count);
    }
    return wide;
}
#endif

std::string SystemTextToUtf8(const std::string& text) {
#ifdef _WIN32
    const std::wstring wide = Widen(text, CP_ACP);
    const int count = static_cast<int>(wide.size());
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), count, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(std::max(bytes, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), count, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
#else
    return text;
#endif
}

std::string ShownText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        char32_t codePoint = 0;
        const std::size_t length = Utf8Character(bytes.substr(at), codePoint);
        const auto byte = static_cast<unsigned char>(bytes[at]);
        if (length == 0) {
            AppendEscape(out, byte);
            ++at;
            continue;
        }
        if (byte == '\n') {
            out += "\\n";
        } else if (codePoint < 0x20 || codePoint == 0x7F) {
            AppendEscape(out, byte);
        } else {
            out += bytes.substr(at, length);
        }
        at += length;
    }
    return out;
}
