#include "site/base64.h"

std::string Base64(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t at = 0;
    for (; at + 3 <= bytes.size(); at += 3) {
        const std::uint32_t group = (bytes[at] << 16) | (bytes[at + 1] << 8) | bytes[at + 2];
        out += kDigits[group >> 18];
        out += kDigits[(group >> 12) & 63];
        out += kDigits[(group >> 6) & 63];
        out += kDigits[group & 63];
    }
    const std::size_t left = bytes.size() - at;
    if (left > 0) {
        const std::uint32_t group = (bytes[at] << 16) | (left == 2 ? bytes[at + 1] << 8 : 0);
        out += kDigits[group >> 18];
        out += kDigits[(group >> 12) & 63];
        out += left == 2 ? kDigits[(group >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}
