// Any bytes as a glTF or GLB model imported as a piece (no files beside it):
// no crash, no read past the data, and a piece that comes out is one the
// viewer reads whole: a model that walks to its last byte with every index in
// range, at most 17 readable textures of the sizes their headers state, and a
// profile that names its model.
#include "catalogue/piece_profile.h"
#include "gltf/piece_import.h"
#include "preview/msm_layout.h"
#include "texture/txr_format.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ImportOptions options;
    options.maxSide = 32; // small textures: the fuzzer's time goes to the parsing
    options.palette = size % 2 == 1;
    const Result<ImportedPiece> piece =
        ImportGltfBytes(std::span<const std::uint8_t>(data, size), "", "fuzz", options);
    if (!piece) {
        if (piece.refusal().code.empty() || piece.refusal().message.empty()) {
            std::abort();
        }
        return 0;
    }
    const std::vector<std::uint8_t>& model = piece->model.bytes;
    const std::optional<MsmLayout> layout = WalkMsmLayout(model);
    if (!layout || layout->end != model.size() || piece->textures.size() > 17 ||
        layout->nameCount != piece->textures.size()) {
        std::abort();
    }
    std::size_t at = layout->groupsOffset;
    for (unsigned g = 0; g < layout->groupCount; ++g) {
        const MsmGroup group = *ReadMsmGroup(model, at);
        if (group.indexCount < 3 || !MsmGroupIndicesInRange(model, group, layout->vertexCount) ||
            group.textureIndex < 0 ||
            static_cast<std::size_t>(group.textureIndex) >= piece->textures.size()) {
            std::abort();
        }
        at = group.next;
    }
    for (const ImportedFile& texture : piece->textures) {
        if (texture.bytes.size() < kTxrHeaderSize) {
            std::abort();
        }
        const TxrHeader header = DecodeTxrHeader(texture.bytes.data());
        if (!IsReadableTxrHeader(header) || TxrFileSize(header) != texture.bytes.size()) {
            std::abort();
        }
    }
    const PieceRecord record =
        PieceRecordFromProfileBytes(piece->profile.bytes.data(), piece->profile.bytes.size());
    if (!IsQualifyingPiece(record) || FieldText(record.modelFile, 32) != piece->model.name) {
        std::abort();
    }
    return 0;
}
