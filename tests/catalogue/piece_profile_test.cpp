// Piece profiles: the two fields at their offsets, short files, which pieces
// qualify, and the order of profile names.
#include "catalogue/piece_profile.h"
#include "catalogue/profile_writer.h"

#include "builders/piece_files.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

namespace {

PieceRecord FromBytes(const Bytes& bytes) {
    return PieceRecordFromProfileBytes(bytes.data(), bytes.size());
}

std::string Model(const PieceRecord& r) {
    return std::string(FieldText(r.modelFile, 32));
}
std::string Name(const PieceRecord& r) {
    return std::string(FieldText(r.pieceName, 128));
}

TEST(PieceProfile, FieldsAreCopiedWholeFromTheirOffsetsAndNothingElse) {
    Bytes full = ProfileBytes(std::string(32, 'M'), std::string(128, 'N'), 300);
    std::fill(full.begin() + 228, full.end(), 0xEE); // nothing past the fields may be read
    EXPECT_EQ(Model(FromBytes(full)), std::string(32, 'M')) << "32 bytes, no zero, no run-on";
    EXPECT_EQ(Name(FromBytes(full)), std::string(128, 'N')) << "128 bytes, no zero, no run-on";
    Bytes bytes = ProfileBytes("m.msm", "Name");
    bytes[10] = 'x';  // after the model name's zero
    bytes[120] = 'y'; // after the piece name's zero
    const PieceRecord record = FromBytes(bytes);
    EXPECT_EQ(record.modelFile[10], 'x') << "the field is copied byte for byte";
    EXPECT_EQ(record.pieceName[20], 'y') << "the field is copied byte for byte";
    EXPECT_EQ(Model(record) + "/" + Name(record), "m.msm/Name") << "texts end at their zero";
}

TEST(PieceProfile, BytesPastTheEndOfAShortFileReadAsZero) {
    ScratchFolder folder;
    const Bytes full = ProfileBytes("model.msm", "Piece", 300);
    for (const std::size_t size : {0, 5, 32, 100, 101, 103, 228}) {
        Bytes expected = full; // the file's bytes, zero past its end
        std::fill(expected.begin() + static_cast<long>(size), expected.end(), 0);
        WriteBytes(folder.File("a.prt"),
                   Bytes(full.begin(), full.begin() + static_cast<long>(size)));
        PieceRecord record;
        std::memset(&record, 0x55, sizeof record);
        ASSERT_TRUE(ReadPieceProfile(folder.File("a.prt").c_str(), record)) << size;
        EXPECT_EQ(std::memcmp(record.modelFile, expected.data(), 32), 0) << size << " bytes: model";
        EXPECT_EQ(std::memcmp(record.pieceName, expected.data() + 100, 128), 0)
            << size << " bytes: piece name";
    }
    PieceRecord record;
    std::memset(&record, 0x55, sizeof record);
    EXPECT_FALSE(ReadPieceProfile(folder.File("missing.prt").c_str(), record)) << "missing file";
    EXPECT_EQ(Name(record), "") << "a missing file gives a zero record";
}

TEST(PieceProfile, AQualifyingPieceHasBothNames) {
    Bytes startsWithZero = ProfileBytes("", "A");
    startsWithZero[1] = 'm'; // a field that starts with zero is empty
    const std::pair<Bytes, bool> cases[] = {
        {ProfileBytes("a.msm", "A"), true},
        {ProfileBytes("", "A"), false},
        {ProfileBytes("a.msm", ""), false},
        {startsWithZero, false},
        {ProfileBytes("\x90\xd4.msm", "\x90\xd4\x82\xa2\x94\xa0"), true}, // Shift-JIS text
    };
    for (const auto& [bytes, qualifies] : cases) {
        EXPECT_EQ(IsQualifyingPiece(FromBytes(bytes)), qualifies) << Name(FromBytes(bytes));
    }
}

TEST(ProfileOrder, NamesSortAsASortedListBoxKeepsThem) {
    // Pairs the list below does not hold: equal names, the symbols on either
    // side of the letters, and double-byte text.
    const std::tuple<const char*, const char*, int> pairs[] = {{"ABC.prt", "abc.prt", 0},
                                                               {"Z.prt", "\x90\xd4.prt", -1},
                                                               {"[", "a", -1},
                                                               {"{", "0", -1},
                                                               {"z", "0", 1},
                                                               {"", "a", -1}};
    for (const auto& [a, b, sign] : pairs) {
        const int order = CompareProfileNames(a, b);
        EXPECT_EQ((order > 0) - (order < 0), sign) << a << " against " << b;
    }
    // The order in which a sorted Win32 list box (lstrcmpi in the Japanese
    // locale) keeps these names, as seen under Wine.
    const std::vector<std::string> listBoxOrder = {
        "_z.prt",  "0x.prt",  "9.prt", "a.b.prt", "a.prt",  "a10.prt", "a2.prt", "Ab.prt",
        "ab_.prt", "AB0.prt", "b.prt", "B_1.prt", "b1.prt", "B2.prt",  "Zz.prt"};
    std::vector<std::string> names = listBoxOrder;
    std::mt19937 random(4);
    for (int round = 0; round < 20; ++round) {
        std::shuffle(names.begin(), names.end(), random);
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            return CompareProfileNames(a, b) < 0;
        });
        EXPECT_EQ(names, listBoxOrder) << "round " << round;
    }
}

// A written profile reads back with its two texts; every byte the viewer
// does not read is zero, or with `like` the other profile's, whose length it
// keeps unless the piece name would not fit.
TEST(ProfileWriter, WritesTheTwoFieldsAndTakesTheRestFromTheProfileItIsLike) {
    Bytes like(300);
    for (std::size_t i = 0; i < like.size(); ++i) {
        like[i] = static_cast<std::uint8_t>(0x80 | i);
    }
    const std::string name = "\x90\xd4\x82\xa2\x94\xa0"; // 赤い箱
    const struct {
        Bytes like;
        bool hasLike;
        std::size_t size;
    } cases[] = {
        {{}, false, 228},
        {like, true, 300},
        {Bytes(like.begin(), like.begin() + 120), true, 120},
        {Bytes(like.begin(), like.begin() + 50), true, 107}, // lengthened to hold the name
    };
    for (const auto& c : cases) {
        const Result<std::vector<std::uint8_t>> bytes =
            EncodePieceProfile("a.msm", name, c.hasLike ? &c.like : nullptr);
        ASSERT_TRUE(bytes);
        ASSERT_EQ(bytes->size(), c.size);
        const PieceRecord record = FromBytes(*bytes);
        EXPECT_EQ(Model(record), "a.msm");
        EXPECT_EQ(Name(record), name);
        for (std::size_t i = 0; i < c.size; ++i) {
            const bool model = i < 32, piece = i >= 100 && i < 228;
            const std::uint8_t other = i < c.like.size() ? c.like[i] : 0;
            const std::uint8_t expected = model   ? (i < 5 ? "a.msm"[i] : 0)
                                          : piece ? (i < 106 ? name[i - 100] : 0)
                                                  : other;
            ASSERT_EQ((*bytes)[i], expected) << "byte " << i << " of " << c.size;
        }
    }
    const struct {
        std::string model, name;
    } refused[] = {{"", "n"},
                   {std::string(32, 'm'), "n"},
                   {"m", std::string(128, 'n')},
                   {"m", std::string("a\0b", 3)}};
    for (const auto& r : refused) {
        const Result<std::vector<std::uint8_t>> bytes =
            EncodePieceProfile(r.model, r.name, nullptr);
        ASSERT_FALSE(bytes) << r.model.size() << " " << r.name.size();
        EXPECT_EQ(bytes.refusal().code, "profile-field");
    }
    EXPECT_TRUE(EncodePieceProfile(std::string(31, 'm'), std::string(127, 'n'), nullptr))
        << "both fields full but for their zero";
}

} // namespace
