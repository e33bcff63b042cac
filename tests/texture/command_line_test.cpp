#include "texture/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Expect {
    const char* tail;
    TailKind kind;
    const char* input;
    const char* output;
};

const char* KindName(TailKind kind) {
    switch (kind) {
    case TailKind::NotConversion: return "NotConversion";
    case TailKind::Malformed: return "Malformed";
    case TailKind::UnclosedQuote: return "UnclosedQuote";
    case TailKind::Convert: return "Convert";
    }
    return "?";
}

void Check(const Expect& e) {
    const CommandTail parsed = ParseCommandTail(e.tail);
    EXPECT_EQ(KindName(parsed.kind), std::string(KindName(e.kind))) << "tail [" << e.tail << "]";
    if (e.kind == TailKind::Convert) {
        EXPECT_EQ(std::string(parsed.inputName), e.input) << "tail [" << e.tail << "]";
        EXPECT_EQ(std::string(parsed.outputName), e.output) << "tail [" << e.tail << "]";
    }
}

TEST(CommandTail, OnlyALeadingSwitchStartsAConversion) {
    for (const char* tail : {"", "/x a b", "a.txr /b", " /b a.txr", "/", "-b a.txr", "\"/b\" a.txr",
                             "/c", "\\b a.txr"}) {
        EXPECT_EQ(ParseCommandTail(tail).kind, TailKind::NotConversion) << tail;
        EXPECT_FALSE(IsConversionTail(tail)) << tail;
    }
    EXPECT_TRUE(IsConversionTail("/B"));
    EXPECT_TRUE(IsConversionTail("/t"));
    EXPECT_TRUE(IsConversionTail("/T x"));
    EXPECT_EQ(ParseCommandTail("/T pic.dib").mode, ConversionMode::BmpToTxr);
    EXPECT_EQ(ParseCommandTail("/B pic.txr").mode, ConversionMode::TxrToBmp);
}

TEST(CommandTail, TheDocumentedTails) {
    const Expect cases[] = {
        {"/b", TailKind::Malformed, "", ""},
        {"/b   ", TailKind::Malformed, "", ""},
        {"/b a.txr", TailKind::Convert, "a.txr", "a.bmp"},
        {"/T pic.dib", TailKind::Convert, "pic.dib", "pic.txr"},
        {"/b tex", TailKind::Convert, "tex", "tex.bmp"},
        {"/t a.bmp ", TailKind::Malformed, "", ""},
        {"/b \"a.txr\"", TailKind::Malformed, "", ""},
        {"/b \"my tex.txr\" \"my tex.bmp\"", TailKind::Convert, "my tex.txr", "my tex.bmp"},
        {"/b a.txr \"b.bmp", TailKind::UnclosedQuote, "", ""},
        {"/b a.txr b.bmp c.bmp", TailKind::Convert, "a.txr", "b.bmp"},
        {"/b missing.txr out.bmp", TailKind::Convert, "missing.txr", "out.bmp"},
    };
    for (const Expect& e : cases) {
        Check(e);
    }
}

TEST(CommandTail, BlanksAndQuotesAroundNames) {
    const Expect cases[] = {
        {"/bname.txr", TailKind::Convert, "name.txr", "name.bmp"},
        {"/b \"a b.txr\"out.bmp", TailKind::Convert, "a b.txr", "out.bmp"},
        {"/b    a.txr     b.bmp   ", TailKind::Convert, "a.txr", "b.bmp"},
        {"/b a.txr \"b c.bmp\" trailing", TailKind::Convert, "a.txr", "b c.bmp"},
        {"/b a\"b.txr", TailKind::Convert, "a\"b.txr", "a\"b.bmp"},     // quote inside a name
        {"/b a.txr b\"c.bmp", TailKind::Convert, "a.txr", "b\"c.bmp"},
        {"/b a\tb.txr", TailKind::Convert, "a\tb.txr", "a\tb.bmp"},   // a tab is no blank
        {"/b\ta.txr", TailKind::Convert, "\ta.txr", "\ta.bmp"},
        {"/b \" a.txr\" b.bmp", TailKind::Malformed, "", ""},          // quote then blank
        {"/b \"", TailKind::Malformed, "", ""},                        // quote then end
        {"/b \"a.txr b.bmp", TailKind::Malformed, "", ""},             // first quote unclosed
        {"/b \"a.txr\"   ", TailKind::Malformed, "", ""},
        {"/b a.txr \" b.bmp\"", TailKind::Malformed, "", ""},
        {"/b a.txr \"", TailKind::Malformed, "", ""},
        {"/b \"\" b.bmp", TailKind::Convert, "", "b.bmp"},             // empty quoted name
        {"/t x.bmp \"\"", TailKind::Convert, "x.bmp", ""},
        {"/b C:\\maps.old\\tex", TailKind::Convert, "C:\\maps.old\\tex", "C:\\maps.old\\tex.bmp"},
        {"/t a.b.bmp", TailKind::Convert, "a.b.bmp", "a.b.txr"},
    };
    for (const Expect& e : cases) {
        Check(e);
    }
}

TEST(CommandTail, NamesOfMoreThan259CharactersAreRefused) {
    const std::string fits(259, 'n');
    const std::string tooLong(260, 'n');
    Check({("/b " + fits + " out.bmp").c_str(), TailKind::Convert, fits.c_str(), "out.bmp"});
    Check({("/b in.txr \"" + fits + "\"").c_str(), TailKind::Convert, "in.txr", fits.c_str()});
    Check({("/b " + tooLong + " out.bmp").c_str(), TailKind::Malformed, "", ""});
    Check({("/b in.txr " + tooLong).c_str(), TailKind::Malformed, "", ""});
    Check({("/b \"" + tooLong + "\" out.bmp").c_str(), TailKind::Malformed, "", ""});
    // A single name whose derived output name would not fit.
    const std::string name = std::string(256, 'n') + ".t";
    Check({("/b " + name).c_str(), TailKind::Malformed, "", ""});
}

TEST(CommandTail, ExitCodesOfTheFrontEnd) {
    EXPECT_EQ(RunCommandTail(ParseCommandTail("/b")), -1);
    EXPECT_EQ(RunCommandTail(ParseCommandTail("/b \"a.txr\"")), -1);
    EXPECT_EQ(RunCommandTail(ParseCommandTail("/b a.txr \"b.bmp")), 0);
    // A conversion that fails still exits with 0.
    EXPECT_EQ(RunCommandTail(ParseCommandTail("/b pv-no-such-file.txr pv-no-such-out.bmp")), 0);
}

} // namespace
