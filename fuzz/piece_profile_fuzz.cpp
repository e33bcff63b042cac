// Any bytes as the head of a piece profile: the two fields are read without
// running past the data, and the texts taken from them stay inside their
// fields; the ordering of profile names is a consistent comparison.
#include "catalogue/piece_profile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const PieceRecord record = PieceRecordFromProfileBytes(data, size);
    const std::string_view model = FieldText(record.modelFile, sizeof record.modelFile);
    const std::string_view name = FieldText(record.pieceName, sizeof record.pieceName);
    if (model.size() > sizeof record.modelFile || name.size() > sizeof record.pieceName) {
        std::abort();
    }
    if (IsQualifyingPiece(record) != (!model.empty() && !name.empty())) {
        std::abort();
    }
    // Bytes the data held are copied as they are; the rest are zero.
    for (std::size_t i = 0; i < sizeof record.pieceName; ++i) {
        const std::uint8_t expected = 100 + i < size ? data[100 + i] : 0;
        if (static_cast<std::uint8_t>(record.pieceName[i]) != expected) {
            std::abort();
        }
    }
    // The data split in two as two names: antisymmetric comparison.
    const std::size_t half = size / 2;
    const std::string_view a(reinterpret_cast<const char*>(data), half);
    const std::string_view b(reinterpret_cast<const char*>(data) + half, size - half);
    const int ab = CompareProfileNames(a, b), ba = CompareProfileNames(b, a);
    if ((ab < 0) != (ba > 0) || (ab == 0) != (ba == 0) || CompareProfileNames(a, a) != 0) {
        std::abort();
    }
    return 0;
}
