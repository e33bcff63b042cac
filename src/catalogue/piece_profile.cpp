#include "catalogue/piece_profile.h"

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
        zero == nullptr ? fieldSize : static_cast<std::size_t>(static_cast<const char*>(zero) - field);
    return std::string_view(field, length);
}

bool IsQualifyingPiece(const PieceRecord& record) {
    return record.modelFile[0] != '\0' && record.pieceName[0] != '\0';
}

namespace {

unsigned char FoldCase(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

} // namespace

int CompareProfileNames(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = FoldCase(a[i]);
        const unsigned char y = FoldCase(b[i]);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}
