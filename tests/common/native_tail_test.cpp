#include "app/native_tail.h"

#include <gtest/gtest.h>

namespace {

std::string Tail(std::initializer_list<const char*> args) {
    std::vector<const char*> argv{"pieceviewer"};
    argv.insert(argv.end(), args);
    return JoinArgumentsAsTail(static_cast<int>(argv.size()), argv.data());
}

TEST(NativeTail, JoinsWithSingleBlanksAndQuotesOnlyArgumentsWithBlanks) {
    EXPECT_EQ(Tail({}), "");
    EXPECT_EQ(Tail({"/b", "a.txr"}), "/b a.txr");
    EXPECT_EQ(Tail({"/b", "my tex.txr", "my tex.bmp"}), "/b \"my tex.txr\" \"my tex.bmp\"");
    // Nothing else is escaped: a lone quote passes through as typed.
    EXPECT_EQ(Tail({"/b", "a.txr", "\"b.bmp"}), "/b a.txr \"b.bmp");
    EXPECT_EQ(Tail({"/b", "tab\there"}), "/b tab\there");
    EXPECT_EQ(Tail({"/b", ""}), "/b ");
}

} // namespace
