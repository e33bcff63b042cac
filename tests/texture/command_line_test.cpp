// The converter's command tail: the switch, the names, blanks and quotes.
#include "texture/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Expect {
    std::string tail;
    TailKind kind;
    std::string input = "";
    std::string output = "";
};

TEST(CommandTail, OnlyALeadingSwitchInEitherCaseThenNamesBlanksAndQuotes) {
    EXPECT_EQ(ParseCommandTail("/T pic.dib").mode, ConversionMode::BmpToTxr);
    EXPECT_EQ(ParseCommandTail("/B pic.txr").mode, ConversionMode::TxrToBmp);
    const std::string fits(259, 'n'), tooLong(260, 'n');
    const Expect cases[] = {
        {"", TailKind::NotConversion},
        {"/x a b", TailKind::NotConversion},
        {"a.txr /b", TailKind::NotConversion},
        {" /b a.txr", TailKind::NotConversion},
        {"/", TailKind::NotConversion},
        {"-b a.txr", TailKind::NotConversion},
        {"\"/b\" a.txr", TailKind::NotConversion},
        {"/c", TailKind::NotConversion},
        {"\\b a", TailKind::NotConversion},
        {"/b", TailKind::Malformed},
        {"/B", TailKind::Malformed},
        {"/t", TailKind::Malformed},
        {"/T x", TailKind::Convert, "x", "x.txr"},
        {"/b   ", TailKind::Malformed},
        {"/b a.txr", TailKind::Convert, "a.txr", "a.bmp"},
        {"/T pic.dib", TailKind::Convert, "pic.dib", "pic.txr"},
        {"/b tex", TailKind::Convert, "tex", "tex.bmp"},
        {"/t a.bmp ", TailKind::Malformed},    // a single name followed by blanks
        {"/b \"a.txr\"", TailKind::Malformed}, // a single name cannot be quoted
        {"/b \"my tex.txr\" \"my tex.bmp\"", TailKind::Convert, "my tex.txr", "my tex.bmp"},
        {"/b a.txr \"b.bmp", TailKind::UnclosedQuote},
        {"/b a.txr b.bmp c.bmp", TailKind::Convert, "a.txr", "b.bmp"}, // the rest is ignored
        {"/bname.txr", TailKind::Convert, "name.txr", "name.bmp"},
        {"/b \"a b.txr\"out.bmp", TailKind::Convert, "a b.txr", "out.bmp"},
        {"/b    a.txr     b.bmp   ", TailKind::Convert, "a.txr", "b.bmp"},
        {"/b a.txr \"b c.bmp\" trailing", TailKind::Convert, "a.txr", "b c.bmp"},
        {"/b a\"b.txr", TailKind::Convert, "a\"b.txr", "a\"b.bmp"}, // a quote inside a name
        {"/b a.txr b\"c.bmp", TailKind::Convert, "a.txr", "b\"c.bmp"},
        {"/b a\tb.txr", TailKind::Convert, "a\tb.txr", "a\tb.bmp"}, // a tab is no blank
        {"/b\ta.txr", TailKind::Convert, "\ta.txr", "\ta.bmp"},
        {"/b \" a.txr\" b.bmp", TailKind::Malformed}, // an opening quote then a blank
        {"/b \"", TailKind::Malformed},               // an opening quote then the end
        {"/b \"a.txr b.bmp", TailKind::Malformed},    // the first quote unclosed
        {"/b \"a.txr\"   ", TailKind::Malformed},
        {"/b a.txr \" b.bmp\"", TailKind::Malformed},
        {"/b a.txr \"", TailKind::Malformed},
        {"/b \"\" b.bmp", TailKind::Convert, "", "b.bmp"},
        {"/t x.bmp \"\"", TailKind::Convert, "x.bmp", ""},
        {"/b " + fits + " out.bmp", TailKind::Convert, fits, "out.bmp"},
        {"/b in.txr \"" + fits + "\"", TailKind::Convert, "in.txr", fits},
        {"/b " + tooLong + " out.bmp", TailKind::Malformed},
        {"/b in.txr " + tooLong, TailKind::Malformed},
        {"/b \"" + tooLong + "\" out.bmp", TailKind::Malformed},
        {"/b " + std::string(256, 'n') + ".t", TailKind::Malformed}, // derived name too long
    };
    for (const Expect& e : cases) {
        const CommandTail parsed = ParseCommandTail(e.tail.c_str());
        EXPECT_EQ(static_cast<int>(parsed.kind), static_cast<int>(e.kind)) << "[" << e.tail << "]";
        EXPECT_EQ(IsConversionTail(e.tail.c_str()), e.kind != TailKind::NotConversion)
            << "only a leading /b or /t in either case converts: [" << e.tail << "]";
        if (e.kind == TailKind::Convert) {
            EXPECT_EQ(parsed.inputName, e.input) << "input of [" << e.tail << "]";
            EXPECT_EQ(parsed.outputName, e.output) << "output of [" << e.tail << "]";
        }
    }
}

} // namespace
