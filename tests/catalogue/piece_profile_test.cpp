#include "catalogue/piece_profile.h"

#include "support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// A profile file written out literally: model name at 0, piece name at 100,
// `size` bytes in all, every other byte 0xEE so that stray reads show.
Bytes Profile(const std::string& model, const std::string& piece, std::size_t size = 300) {
    Bytes bytes(std::max<std::size_t>(size, 228), 0xEE);
    std::fill(bytes.begin(), bytes.begin() + 32, 0);
    std::fill(bytes.begin() + 100, bytes.begin() + 228, 0);
    std::memcpy(bytes.data(), model.data(), std::min<std::size_t>(model.size(), 32));
    std::memcpy(bytes.data() + 100, piece.data(), std::min<std::size_t>(piece.size(), 128));
    bytes.resize(size);
    return bytes;
}

std::string ModelText(const PieceRecord& r) {
    return std::string(FieldText(r.modelFile, sizeof r.modelFile));
}
std::string NameText(const PieceRecord& r) {
    return std::string(FieldText(r.pieceName, sizeof r.pieceName));
}

TEST(PieceProfile, ReadsBothFieldsAndNothingElse) {
    ScratchFolder folder;
    WriteBytes(folder.File("a.prt"), Profile("cube.msm", "Brick Cube"));
    PieceRecord record;
    ASSERT_TRUE(ReadPieceProfile(folder.File("a.prt").c_str(), record));
    EXPECT_EQ(ModelText(record), "cube.msm");
    EXPECT_EQ(NameText(record), "Brick Cube");
    EXPECT_TRUE(IsQualifyingPiece(record));
    // Bytes 32..99 and the bytes past 227 are never part of the record.
    for (char c : record.modelFile) {
        EXPECT_NE(static_cast<unsigned char>(c), 0xEE);
    }
    for (char c : record.pieceName) {
        EXPECT_NE(static_cast<unsigned char>(c), 0xEE);
    }
}

TEST(PieceProfile, FieldsAreCopiedByteForByteAndEndAtTheirFirstZero) {
    Bytes bytes = Profile("m.msm", "Name");
    bytes[10] = 'x';  // after the model name's zero
    bytes[120] = 'y'; // after the piece name's zero
    const PieceRecord record = PieceRecordFromProfileBytes(bytes.data(), bytes.size());
    EXPECT_EQ(record.modelFile[10], 'x');
    EXPECT_EQ(record.pieceName[20], 'y');
    EXPECT_EQ(ModelText(record), "m.msm");
    EXPECT_EQ(NameText(record), "Name");
}

TEST(PieceProfile, FullWidthFieldsAreTakenWholeWithoutRunningOn) {
    const std::string model(32, 'M');
    const std::string name(128, 'N');
    Bytes bytes = Profile(model, name);
    // The bytes right after each field are not zero: nothing may be read on.
    ASSERT_EQ(bytes[32], 0xEE);
    ASSERT_EQ(bytes[228], 0xEE);
    const PieceRecord record = PieceRecordFromProfileBytes(bytes.data(), bytes.size());
    EXPECT_EQ(ModelText(record), model);
    EXPECT_EQ(NameText(record), name);
    EXPECT_TRUE(IsQualifyingPiece(record));
}

TEST(PieceProfile, BytesPastTheEndOfAShortFileReadAsZero) {
    ScratchFolder folder;
    const Bytes full = Profile("model.msm", "Piece");
    struct Case {
        std::size_t size;
        std::string model, name;
    } cases[] = {
        {0, "", ""},
        {5, "model", ""},
        {32, "model.msm", ""},
        {100, "model.msm", ""}, // ends right before the piece name
        {101, "model.msm", "P"},
        {103, "model.msm", "Pie"},
        {228, "model.msm", "Piece"},
    };
    for (const Case& c : cases) {
        const std::string path = folder.File(std::to_string(c.size).append(".prt"));
        WriteBytes(path, Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(c.size)));
        PieceRecord record;
        std::memset(&record, 0x55, sizeof record);
        ASSERT_TRUE(ReadPieceProfile(path.c_str(), record)) << c.size;
        EXPECT_EQ(ModelText(record), c.model) << c.size;
        EXPECT_EQ(NameText(record), c.name) << c.size;
        EXPECT_EQ(IsQualifyingPiece(record), !c.model.empty() && !c.name.empty()) << c.size;
        // What the file does not hold is zero, up to the end of each field.
        const std::size_t modelHeld = std::min<std::size_t>(c.size, 32);
        for (std::size_t i = modelHeld; i < 32; ++i) {
            EXPECT_EQ(record.modelFile[i], 0) << c.size << " " << i;
        }
        const std::size_t nameHeld = c.size > 100 ? std::min<std::size_t>(c.size - 100, 128) : 0;
        for (std::size_t i = nameHeld; i < 128; ++i) {
            EXPECT_EQ(record.pieceName[i], 0) << c.size << " " << i;
        }
    }
}

TEST(PieceProfile, QualificationNeedsBothNames) {
    auto qualifies = [](const std::string& model, const std::string& name) {
        const Bytes bytes = Profile(model, name);
        return IsQualifyingPiece(PieceRecordFromProfileBytes(bytes.data(), bytes.size()));
    };
    EXPECT_TRUE(qualifies("a.msm", "A"));
    EXPECT_FALSE(qualifies("", "A"));
    EXPECT_FALSE(qualifies("a.msm", ""));
    EXPECT_FALSE(qualifies("", ""));
    // A field that starts with zero is empty whatever follows it.
    Bytes bytes = Profile("", "A");
    bytes[1] = 'm';
    EXPECT_FALSE(IsQualifyingPiece(PieceRecordFromProfileBytes(bytes.data(), bytes.size())));
    // Shift-JIS bytes are text like any other.
    EXPECT_TRUE(qualifies("\x90\xd4.msm", "\x90\xd4\x82\xa2\x94\xa0"));
}

TEST(PieceProfile, MissingFileIsRefusedWithAZeroRecord) {
    ScratchFolder folder;
    PieceRecord record;
    std::memset(&record, 0x55, sizeof record);
    EXPECT_FALSE(ReadPieceProfile(folder.File("missing.prt").c_str(), record));
    EXPECT_FALSE(IsQualifyingPiece(record));
    EXPECT_EQ(NameText(record), "");
}

bool ProfileLess(const std::string& a, const std::string& b) {
    return CompareProfileNames(a, b) < 0;
}

TEST(ProfileOrder, FileNamesSortWithoutRegardToCase) {
    std::vector<std::string> names = {"b.prt", "A.prt", "c.prt"};
    std::stable_sort(names.begin(), names.end(), ProfileLess);
    EXPECT_EQ(names, (std::vector<std::string>{"A.prt", "b.prt", "c.prt"}));

    EXPECT_EQ(CompareProfileNames("ABC.prt", "abc.prt"), 0);
    EXPECT_LT(CompareProfileNames("a.prt", "ab.prt"), 0);       // "." before letters
    EXPECT_LT(CompareProfileNames("a10.prt", "a2.prt"), 0);     // digits one by one
    EXPECT_LT(CompareProfileNames("a_b.prt", "ab.prt"), 0);     // "_" before letters
    EXPECT_LT(CompareProfileNames("_z.prt", "0.prt"), 0);       // symbols before digits
    EXPECT_LT(CompareProfileNames("Z.prt", "\x90\xd4.prt"), 0); // double-byte text last
    EXPECT_LT(CompareProfileNames("[", "a"), 0);                // symbols between the
    EXPECT_LT(CompareProfileNames("{", "0"), 0);                // letters in ASCII too
    EXPECT_GT(CompareProfileNames("b", "A"), 0);
    EXPECT_LT(CompareProfileNames("", "a"), 0);
}

TEST(ProfileOrder, MatchesTheOrderOfASortedListBox) {
    // The order in which a sorted Win32 list box (lstrcmpi in the Japanese
    // locale) keeps these names, as seen under Wine.
    const std::vector<std::string> listBoxOrder = {
        "_z", "0x", "9", "a.b", "a", "a10", "a2", "Ab", "ab_", "AB0", "b", "B_1", "b1", "B2", "Zz"};
    std::vector<std::string> names = listBoxOrder;
    std::mt19937 random(4);
    for (int round = 0; round < 20; ++round) {
        std::shuffle(names.begin(), names.end(), random);
        std::vector<std::string> sorted = names;
        for (std::string& name : sorted) {
            name += ".prt";
        }
        std::sort(sorted.begin(), sorted.end(), ProfileLess);
        for (std::string& name : sorted) {
            name.resize(name.size() - 4);
        }
        EXPECT_EQ(sorted, listBoxOrder);
    }
}

} // namespace
