#include "catalogue/piece_loader.h"

#include "common/file_io.h"
#include "common/shift_jis_text.h"

#include <algorithm>
#include <cstdio>

namespace {

// Models are read whole, as the viewer reads them; none comes near this.
constexpr std::uint64_t kMaxModelBytes = std::uint64_t{1} << 30;

struct CodeInfo {
    const char* text;
    Severity severity;
};

CodeInfo InfoOf(FindingCode code) {
    switch (code) {
    case FindingCode::modelMissing:
        return {"model-missing", Severity::error};
    case FindingCode::modelMalformed:
        return {"model-malformed", Severity::error};
    case FindingCode::vertexIndex:
        return {"vertex-index", Severity::error};
    case FindingCode::textureMissing:
        return {"texture-missing", Severity::error};
    case FindingCode::textureMalformed:
        return {"texture-malformed", Severity::error};
    case FindingCode::textureNamePath:
        return {"texture-name-path", Severity::error};
    case FindingCode::pathTooLong:
        return {"path-too-long", Severity::error};
    case FindingCode::textureIndex:
        return {"texture-index", Severity::warning};
    case FindingCode::tooManyTextures:
        return {"too-many-textures", Severity::warning};
    case FindingCode::textureLevels:
        return {"texture-levels", Severity::warning};
    case FindingCode::duplicateName:
        return {"duplicate-name", Severity::warning};
    case FindingCode::profileSkipped:
        return {"profile-skipped", Severity::warning};
    case FindingCode::unusedModel:
        return {"unused-model", Severity::info};
    case FindingCode::unusedTexture:
        return {"unused-texture", Severity::info};
    case FindingCode::pieceUnknown:
        return {"piece-unknown", Severity::error};
    case FindingCode::writeFailed:
        return {"write-failed", Severity::error};
    case FindingCode::importInterrupted:
        return {"import-interrupted", Severity::error};
    }
    return {"unknown", Severity::error};
}

void JudgeGroups(LoadedPiece& piece, const MsmLayout& layout) {
    const std::span<const std::uint8_t> model(piece.model);
    const auto which = [](unsigned g) { return "group " + std::to_string(g); };
    ForEachDrawnGroup(
        model, layout,
        [&](unsigned g, const MsmGroup& group) {
            if (group.textureIndex < 0 ||
                static_cast<std::size_t>(group.textureIndex) >= piece.names.size()) {
                AddFinding(piece.findings, FindingCode::textureIndex, piece, piece.modelFile,
                           which(g) + " uses texture " + std::to_string(group.textureIndex) +
                               ", but the model names " + std::to_string(piece.names.size()) +
                               ": drawn untextured or with an earlier piece's texture");
            }
        },
        [&](unsigned g, const MsmGroup&, MsmGroupUse use) {
            // A group without a triangle draws nothing: no finding.
            if (use == MsmGroupUse::vertexOutOfRange) {
                AddFinding(piece.findings, FindingCode::vertexIndex, piece, piece.modelFile,
                           which(g) + " uses a vertex index at or past the vertex count " +
                               std::to_string(layout.vertexCount) + ": the viewer skips it");
            }
        });
}

void JudgeTextures(LoadedPiece& piece) {
    for (std::size_t i = 0; i < piece.textures.size(); ++i) {
        const PieceTexture& texture = piece.textures[i];
        const std::string shown = ShiftJisToUtf8(texture.name);
        const std::string which = "texture " + std::to_string(i) + " \"" + shown + "\"";
        switch (texture.lookup.status) {
        case TextureLookup::namePath:
            AddFinding(piece.findings, FindingCode::textureNamePath, piece, shown,
                       which + " is a path, not a file name: never loaded");
            continue;
        case TextureLookup::pathTooLong:
            AddFinding(piece.findings, FindingCode::pathTooLong, piece, shown,
                       which + ": its path in the texture folder would be longer than 259 "
                               "characters");
            continue;
        case TextureLookup::missing: {
            const std::string txr = ShiftJisToUtf8(texture.lookup.txrName);
            AddFinding(piece.findings, FindingCode::textureMissing, piece, txr,
                       which + ": no " + txr + " in the texture folder");
            continue;
        }
        case TextureLookup::found:
            break;
        }
        // A texture held in memory (a piece not yet written) has no file of
        // the folder: it goes by the name it is looked for under.
        const std::string file = texture.lookup.file != nullptr
                                     ? ShownFileName(texture.lookup.file->name)
                                     : ShiftJisToUtf8(texture.lookup.txrName);
        if (!texture.inspection.readable) {
            AddFinding(piece.findings, FindingCode::textureMalformed, piece, file,
                       file + " " + texture.inspection.problem);
        } else if (!texture.inspection.levelsFit) {
            AddFinding(piece.findings, FindingCode::textureLevels, piece, file,
                       file + " " + texture.inspection.problem);
        }
    }
}

} // namespace

const char* FindingCodeText(FindingCode code) {
    return InfoOf(code).text;
}

Severity SeverityOf(FindingCode code) {
    return InfoOf(code).severity;
}

const char* SeverityText(Severity severity) {
    switch (severity) {
    case Severity::error:
        return "error";
    case Severity::warning:
        return "warning";
    case Severity::info:
        return "info";
    }
    return "error";
}

PieceTexture TextureFolderResolver::operator()(std::string_view modelName) {
    PieceTexture texture;
    texture.name = std::string(modelName);
    texture.lookup = FindTexture(textures_, modelName);
    if (texture.lookup.status != TextureLookup::found) {
        return texture;
    }
    const FolderFile* file = texture.lookup.file;
    {
        const std::lock_guard lock(mutex_);
        if (const auto it = inspected_.find(file); it != inspected_.end()) {
            texture.inspection = it->second;
            return texture;
        }
    }
    std::uint8_t head[kTxrHeaderSize];
    const std::string path = FolderPath(textures_.folder, file->name);
    if (std::FILE* stream = std::fopen(path.c_str(), "rb")) {
        const std::size_t got = std::fread(head, 1, sizeof head, stream);
        std::fclose(stream);
        texture.inspection = InspectTxr(std::span(head, got), file->size);
    } else {
        texture.inspection.problem = "cannot be opened";
    }
    const std::lock_guard lock(mutex_);
    inspected_.emplace(file, texture.inspection);
    return texture;
}

bool LoadedPiece::HasError() const {
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.severity() == Severity::error; });
}

bool LoadedPiece::Drawable() const {
    return modelRead && WalkMsmHead(model).has_value();
}

void AddFinding(std::vector<Finding>& findings, FindingCode code, const LoadedPiece& piece,
                std::string file, std::string message) {
    findings.push_back(
        Finding{code, piece.piece, piece.profile, std::move(file), std::move(message)});
}

void JudgeModel(LoadedPiece& piece, std::vector<std::uint8_t> model,
                const TextureResolver& resolve) {
    piece.model = std::move(model);
    piece.modelRead = true;
    piece.layout = WalkMsmLayout(piece.model);
    if (!piece.layout) {
        AddFinding(piece.findings, FindingCode::modelMalformed, piece, piece.modelFile,
                   piece.modelFile +
                       " runs past its data or holds a count byte of 128 or more: the viewer "
                       "draws nothing");
        return;
    }
    piece.names = ReadMsmTextureNames(piece.model);
    if (piece.names.size() > kTextureSlotCount) {
        AddFinding(piece.findings, FindingCode::tooManyTextures, piece, piece.modelFile,
                   piece.modelFile + " names " + std::to_string(piece.names.size()) +
                       " textures: those after the 17th are never loaded");
    }
    JudgeGroups(piece, *piece.layout);
    for (std::size_t i = 0; i < piece.names.size() && i < kTextureSlotCount; ++i) {
        piece.textures.push_back(resolve(piece.names[i]));
    }
    JudgeTextures(piece);
}

bool JudgeModelPath(LoadedPiece& piece, const std::string& folder, const std::string& modelFile) {
    if (FitsViewerPath(folder, modelFile)) {
        return true;
    }
    AddFinding(piece.findings, FindingCode::pathTooLong, piece, piece.modelFile,
               "the model's path would be longer than 259 characters");
    return false;
}

LoadedPiece LoadPiece(const CatalogueIndex& catalogue, const CatalogueProfile& profile,
                      TextureFolderResolver& resolver) {
    LoadedPiece piece;
    piece.piece = ShiftJisToUtf8(profile.pieceName);
    piece.profile = ShownFileName(profile.fileName);
    piece.modelFile = ShiftJisToUtf8(profile.modelFile);
    if (!JudgeModelPath(piece, catalogue.models.folder, profile.modelFile)) {
        return piece;
    }
    piece.modelEntry = FindInFolder(catalogue.models, NameOnDisk(profile.modelFile));
    if (piece.modelEntry == nullptr) {
        AddFinding(piece.findings, FindingCode::modelMissing, piece, piece.modelFile,
                   "no model " + piece.modelFile + " in the model folder");
        return piece;
    }
    piece.modelFile = ShownFileName(piece.modelEntry->name);
    const std::string path = FolderPath(catalogue.models.folder, piece.modelEntry->name);
    Result<std::vector<std::uint8_t>> model = ReadFileBytes(path.c_str(), kMaxModelBytes);
    if (!model) {
        AddFinding(piece.findings, FindingCode::modelMissing, piece, piece.modelFile,
                   piece.modelFile + " " + model.refusal().message);
        return piece;
    }
    JudgeModel(piece, std::move(model).value(), std::ref(resolver));
    return piece;
}
