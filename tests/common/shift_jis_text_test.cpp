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

TEST(ShownText, KeepsUtf8AndEscapesEveryByteThatIsNoTextOrBreaksTheLine) {
    const struct {
        std::string bytes;
        std::string shown;
    } cases[] = {
        {"plain 赤い箱 \\ tab-less", "plain 赤い箱 \\ tab-less"},
        {"a\nb", "a\\nb"},
        {"\t\r\x1b[2J\x7f", "\\x09\\x0D\\x1B[2J\\x7F"},
        // A lone continuation byte, a cut-off character, an overlong "/", a
        // surrogate: each byte of them shown.
        {"\x80z", "\\x80z"},
        {"\xe8\xb5", "\\xE8\\xB5"},
        {"\xc0\xaf", "\\xC0\\xAF"},
        {"\xed\xa0\x80", "\\xED\\xA0\\x80"},
        {std::string("nul\0end", 7), "nul\\x00end"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShownText(c.bytes), c.shown);
    }
}

TEST(ShiftJisText, EncodesExactlyWhatTheCodePageHoldsAndNamesTheFirstCharacterItCannot) {
    const struct {
        std::string utf8;
        std::string bytes; // empty: refused with `code`
        std::string code;
        std::string named; // what the message names
    } cases[] = {
        {"Brick Cube~\\", "Brick Cube~\\", "", ""},
        {"赤い箱", "\x90\xd4\x82\xa2\x94\xa0", "", ""},
        {"表示台", "\x95\x5c\x8e\xa6\x91\xe4", "", ""},
        {"ｱｲ", "\xb1\xb2", "", ""},
        {"～", "\x81\x60", "", ""}, // fullwidth tilde: the character 0x81 0x60 stands for
        // Characters with a best-fit code only, or none: the first is named.
        {"a〜b", "", "text-not-shift-jis", "(U+301C)"}, // wave dash
        {"¥100", "", "text-not-shift-jis", "(U+00A5)"},
        {"café é", "", "text-not-shift-jis", "\"é\" (U+00E9)"},
        {"箱🙂", "", "text-not-shift-jis", "(U+1F642)"},
        // Bytes that are not UTF-8: a stray byte, an overlong form, a
        // surrogate, a character cut off.
        {"a\xff", "", "text-not-utf8", "byte 1 (0xFF)"},
        {"\xc0\xaf", "", "text-not-utf8", "byte 0"},
        {"\xed\xa0\x80", "", "text-not-utf8", "byte 0"},
        {"ab\xe8\xb5", "", "text-not-utf8", "byte 2"},
    };
    for (const auto& c : cases) {
        const Result<std::string> encoded = Utf8ToShiftJis(c.utf8);
        if (c.code.empty()) {
            ASSERT_TRUE(encoded) << c.utf8 << ": " << encoded.refusal().message;
            EXPECT_EQ(*encoded, c.bytes) << c.utf8;
            EXPECT_EQ(ShiftJisToUtf8(*encoded), c.utf8) << "the round trip of " << c.utf8;
        } else {
            ASSERT_FALSE(encoded) << c.utf8;
            EXPECT_EQ(encoded.refusal().code, c.code) << c.utf8;
            EXPECT_NE(encoded.refusal().message.find(c.named), std::string::npos)
                << encoded.refusal().message;
        }
    }
}

} // namespace
