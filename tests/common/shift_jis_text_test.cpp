#include "common/shift_jis_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ShiftJisText, TurnsNamesIntoUtf8AndEscapesBytesThatAreNotShiftJis) {
    const struct {
        std::string bytes;
        std::string utf8;
    } cases[] = {
        {"Brick Cube", "Brick Cube"},
        {"\x90\xd4\x82\xa2\x94\xa0", "赤い箱"},
        // 0x5C as the trail byte of a double-byte character is no backslash.
        {"\x95\x5c\x8e\xa6\x91\xe4", "表示台"},
        {"\xb1\xb2", "ｱｲ"}, // single-byte katakana
        {"a\\b", "a\\b"},
        // A lead byte at the end, a byte no character starts with, a lead
        // byte before a byte that cannot follow it: each shown, none dropped.
        {"ab\x81", "ab\\x81"},
        {"\xff"
         "c",
         "\\xFFc"},
        {"\x81\x20z", "\\x81 z"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShiftJisToUtf8(c.bytes), c.utf8) << "for the bytes of " << c.utf8;
    }
}

} // namespace
