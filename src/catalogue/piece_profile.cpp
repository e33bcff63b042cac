#include "catalogue/piece_profile.h"

#include "common/path_text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

PieceRecord PieceRecordFromProfileBytes(const std::uint8_t* bytes, std::size_t size) {
    PieceRecord record{};
    if (size > kProfileModelFileOffset) {
        const std::size_t count =
            std::min<std::size_t>(size - kProfileModelFileOffset, sizeof record.modelFile);
        std::memcpy(record.modelFile, bytes + kProfileModelFileOffset, count);
    }
    if (size > kProfilePieceNameOffset) {
        const std::size_t count =
            std::min<std::size_t>(size - kProfilePieceNameOffset, sizeof record.pieceName);
        std::memcpy(record.pieceName, bytes + kProfilePieceNameOffset, count);
    }
    return record;
}

bool ReadPieceProfile(const char* path, PieceRecord& record) {
    record = PieceRecord{};
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    std::uint8_t head[kProfileBytesRead];
    std::size_t size = 0;
    while (size < sizeof head) {
        const std::size_t got = std::fread(head + size, 1, sizeof head - size, file);
        if (got == 0) {
            break; // end of file (or a read error): the rest reads as zero
        }
        size += got;
    }
    std::fclose(file);
    record = PieceRecordFromProfileBytes(head, size);
    return true;
}

std::string_view FieldText(const char* field, std::size_t fieldSize) {
    const void* zero = std::memchr(field, '\0', fieldSize);
    const std::size_t length =
        zero == nullptr ? fieldSize
                        : static_cast<std::size_t>(static_cast<const char*>(zero) - field);
    return std::string_view(field, length);
}

bool JoinModelPath(char* target, std::size_t capacity, const char* modelFolder,
                   const PieceRecord& record) {
    // The field may fill all its bytes without a terminator.
    char modelFile[kModelFileBytes + 1] = {};
    std::memcpy(modelFile, record.modelFile, kModelFileBytes);
    return JoinPath(target, capacity, modelFolder, modelFile);
}

bool IsQualifyingPiece(const PieceRecord& record) {
    return record.modelFile[0] != '\0' && record.pieceName[0] != '\0';
}

namespace {

// Sort rank of a byte: punctuation and other ASCII symbols first (in ASCII
// order), then digits, then letters without regard to case, then the bytes
// of the upper half (double-byte text), by value.
unsigned SortRank(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= '0' && u <= '9') {
        return 0x100u + u;
    }
    if (u >= 'A' && u <= 'Z') {
        return 0x200u + (u - 'A' + 'a');
    }
    if (u >= 'a' && u <= 'z') {
        return 0x200u + u;
    }
    if (u >= 0x80) {
        return 0x300u + u;
    }
    return u;
}

} // namespace

int CompareProfileNames(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned x = SortRank(a[i]);
        const unsigned y = SortRank(b[i]);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}
