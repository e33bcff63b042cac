#include "tool/catalogue_check.h"

#include "common/file_io.h"
#include "preview/msm_layout.h"
#include "texture/txr_format.h"
#include "tool/console_text.h"
#include "common/shift_jis_text.h"

#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>

namespace {

// What a texture file's header and size say, read once per file however
// many models name it.
struct TextureState {
    bool readable = false;
    bool levelsMatch = true;
    std::string problem;
};

TextureState InspectTexture(const FolderIndex& textures, const FolderFile& file) {
    TextureState state;
    std::uint8_t header[kTxrHeaderSize];
    const std::string path = FolderPath(textures.folder, file.name);
    std::FILE* stream = std::fopen(path.c_str(), "rb");
    if (stream == nullptr) {
        state.problem = "cannot be opened";
        return state;
    }
    const bool read = ReadExactly(stream, header, sizeof header);
    std::fclose(stream);
    if (!read) {
        state.problem = "is shorter than its 16-byte header";
        return state;
    }
    const TxrHeader txr = DecodeTxrHeader(header);
    if (txr.bitsPerPixel != 8 && txr.bitsPerPixel != 24) {
        state.problem = "has " + std::to_string(txr.bitsPerPixel) + " bits per pixel, not 8 or 24";
        return state;
    }
    if (!IsReadableTxrHeader(txr)) {
        state.problem = "is " + std::to_string(txr.width) + "x" + std::to_string(txr.height) +
                        ": sides must be powers of two from 2 to 32768";
        return state;
    }
    if (file.size < TxrLevel0End(txr)) {
        state.problem = "holds " + std::to_string(file.size) + " bytes, level 0 needs " +
                        std::to_string(TxrLevel0End(txr));
        return state;
    }
    state.readable = true;
    const int maxLevels = TxrMaxLevelCount(txr.width, txr.height);
    if (txr.levelCount != maxLevels) {
        state.levelsMatch = false;
        state.problem = "says " + std::to_string(txr.levelCount) + " levels where its sides give " +
                        std::to_string(maxLevels);
    } else if (file.size < TxrFileSize(txr)) {
        state.levelsMatch = false;
        state.problem = "holds " + std::to_string(file.size) + " bytes, its " +
                        std::to_string(txr.levelCount) + " levels need " +
                        std::to_string(TxrFileSize(txr));
    }
    return state;
}

Finding PieceFinding(Severity severity, const char* code, const std::string& piece,
                     const std::string& profile, const std::string& file, std::string message) {
    return Finding{severity, code, piece, profile, file, std::move(message)};
}

void CheckTextures(CheckReport& report, const CatalogueIndex& catalogue,
                   const std::vector<std::string>& names, const std::string& piece,
                   const std::string& profile,
                   std::unordered_map<const FolderFile*, TextureState>* cache) {
    for (std::size_t i = 0; i < names.size() && i < kTextureSlotCount; ++i) {
        const std::string shown = ShiftJisToUtf8(names[i]);
        const TextureFile texture = FindTexture(catalogue.textures, names[i]);
        const std::string which = "texture " + std::to_string(i) + " \"" + shown + "\"";
        switch (texture.status) {
        case TextureLookup::namePath:
            AddFinding(report,
                       PieceFinding(Severity::error, "texture-name-path", piece, profile, shown,
                                    which + " is a path, not a file name: never loaded"));
            continue;
        case TextureLookup::pathTooLong:
            AddFinding(report, PieceFinding(Severity::error, "path-too-long", piece, profile, shown,
                                            which + ": its path in the texture folder would be "
                                                    "longer than 259 characters"));
            continue;
        case TextureLookup::missing:
            AddFinding(report, PieceFinding(Severity::error, "texture-missing", piece, profile,
                                            ShiftJisToUtf8(texture.txrName),
                                            which + ": no " + ShiftJisToUtf8(texture.txrName) +
                                                " in the texture folder"));
            continue;
        case TextureLookup::found:
            break;
        }
        TextureState state;
        if (cache != nullptr) {
            auto it = cache->find(texture.file);
            if (it == cache->end()) {
                it = cache->emplace(texture.file, InspectTexture(catalogue.textures, *texture.file))
                         .first;
            }
            state = it->second;
        } else {
            state = InspectTexture(catalogue.textures, *texture.file);
        }
        if (!state.readable) {
            AddFinding(report,
                       PieceFinding(Severity::error, "texture-malformed", piece, profile,
                                    ShownFileName(texture.file->name),
                                    ShownFileName(texture.file->name) + " " + state.problem));
        } else if (!state.levelsMatch) {
            AddFinding(report,
                       PieceFinding(Severity::warning, "texture-levels", piece, profile,
                                    ShownFileName(texture.file->name),
                                    ShownFileName(texture.file->name) + " " + state.problem));
        }
    }
}

void CheckModelWithCache(CheckReport& report, const CatalogueIndex& catalogue,
                         std::span<const std::uint8_t> model, const std::string& piece,
                         const std::string& profile, const std::string& modelFile,
                         std::unordered_map<const FolderFile*, TextureState>* cache) {
    const std::optional<MsmLayout> layout = WalkMsmLayout(model);
    if (!layout) {
        AddFinding(report,
                   PieceFinding(Severity::error, "model-malformed", piece, profile, modelFile,
                                modelFile + " runs past its data or holds a count byte of 128 or "
                                            "more: the viewer draws nothing"));
        return;
    }
    const std::vector<std::string> names = ReadMsmTextureNames(model);
    if (names.size() > kTextureSlotCount) {
        AddFinding(report,
                   PieceFinding(Severity::warning, "too-many-textures", piece, profile, modelFile,
                                modelFile + " names " + std::to_string(names.size()) +
                                    " textures: those after the 17th are never loaded"));
    }
    std::size_t at = layout->groupsOffset;
    for (unsigned g = 0; g < layout->groupCount; ++g) {
        const MsmGroup group = *ReadMsmGroup(model, at);
        at = group.next;
        if (group.indexCount < 3) {
            continue; // no triangle: nothing to draw
        }
        const std::string which = "group " + std::to_string(g);
        if (!MsmGroupIndicesInRange(model, group, layout->vertexCount)) {
            AddFinding(report,
                       PieceFinding(Severity::error, "vertex-index", piece, profile, modelFile,
                                    which +
                                        " uses a vertex index at or past the vertex "
                                        "count " +
                                        std::to_string(layout->vertexCount) +
                                        ": the viewer skips it"));
            continue;
        }
        if (group.textureIndex < 0 ||
            static_cast<std::size_t>(group.textureIndex) >= names.size()) {
            AddFinding(report,
                       PieceFinding(Severity::warning, "texture-index", piece, profile, modelFile,
                                    which + " uses texture " + std::to_string(group.textureIndex) +
                                        ", but the model names " + std::to_string(names.size()) +
                                        ": drawn untextured or with an earlier piece's texture"));
        }
    }
    CheckTextures(report, catalogue, names, piece, profile, cache);
}

} // namespace

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

void AddFinding(CheckReport& report, Finding finding) {
    switch (finding.severity) {
    case Severity::error:
        ++report.errors;
        break;
    case Severity::warning:
        ++report.warnings;
        break;
    case Severity::info:
        ++report.infos;
        break;
    }
    report.findings.push_back(std::move(finding));
}

void CheckModel(CheckReport& report, const CatalogueIndex& catalogue,
                std::span<const std::uint8_t> model, const std::string& piece,
                const std::string& profile, const std::string& modelFile) {
    CheckModelWithCache(report, catalogue, model, piece, profile, modelFile, nullptr);
}

CheckReport CheckCatalogue(const CatalogueIndex& catalogue, bool withInfo,
                           const std::function<void(std::size_t, std::size_t)>& progress) {
    CheckReport report;
    const std::vector<CatalogueProfile> profiles = ListProfiles(catalogue.profiles);
    std::unordered_map<const FolderFile*, TextureState> textureCache;
    std::set<const FolderFile*> usedModels;
    std::set<std::string> usedTextures; // folded .txr names
    std::map<std::string, std::string> firstProfileOfName;

    for (std::size_t p = 0; p < profiles.size(); ++p) {
        if (progress) {
            progress(p, profiles.size());
        }
        const CatalogueProfile& profile = profiles[p];
        const std::string piece = ShiftJisToUtf8(profile.pieceName);
        const std::string modelName = ShiftJisToUtf8(profile.modelFile);
        if (!profile.pathFits) {
            AddFinding(report, PieceFinding(Severity::error, "path-too-long", piece,
                                            ShownFileName(profile.fileName),
                                            ShownFileName(profile.fileName),
                                            "the profile's path is longer than 259 characters: "
                                            "the viewer passes it over"));
            continue;
        }
        if (!profile.qualifies) {
            AddFinding(report, PieceFinding(Severity::warning, "profile-skipped", piece,
                                            ShownFileName(profile.fileName),
                                            ShownFileName(profile.fileName),
                                            !profile.readable ? "cannot be read: never listed"
                                            : profile.pieceName.empty()
                                                ? "has no piece name: never listed"
                                                : "names no model file: never listed"));
            continue;
        }
        ++report.pieces;
        const auto [first, isNew] =
            firstProfileOfName.emplace(profile.pieceName, ShownFileName(profile.fileName));
        if (!isNew) {
            AddFinding(report, PieceFinding(Severity::warning, "duplicate-name", piece,
                                            ShownFileName(profile.fileName),
                                            ShownFileName(profile.fileName),
                                            "the same name as the piece of " + first->second));
        }
        const FolderFile* modelFile = FindInFolder(catalogue.models, NameOnDisk(profile.modelFile));
        if (!FitsViewerPath(catalogue.models.folder, profile.modelFile)) {
            AddFinding(report,
                       PieceFinding(Severity::error, "path-too-long", piece,
                                    ShownFileName(profile.fileName), modelName,
                                    "the model's path would be longer than 259 characters"));
            continue;
        }
        std::optional<std::vector<std::uint8_t>> model;
        if (modelFile != nullptr) {
            usedModels.insert(modelFile);
            const std::string path = FolderPath(catalogue.models.folder, modelFile->name);
            model = ReadWholeFile(path.c_str(), 1u << 30);
        }
        if (!model) {
            AddFinding(report, PieceFinding(Severity::error, "model-missing", piece,
                                            ShownFileName(profile.fileName), modelName,
                                            "no model " + modelName + " in the model folder"));
        } else {
            CheckModelWithCache(report, catalogue, *model, piece, ShownFileName(profile.fileName),
                                ShownFileName(modelFile->name), &textureCache);
            const std::vector<std::string> names = ReadMsmTextureNames(*model);
            for (std::size_t i = 0; i < names.size() && i < kTextureSlotCount; ++i) {
                const TextureFile texture = FindTexture(catalogue.textures, names[i]);
                if (texture.file != nullptr) {
                    usedTextures.insert(FoldCase(texture.file->name));
                }
            }
        }
    }
    if (progress) {
        progress(profiles.size(), profiles.size());
    }

    if (withInfo) {
        for (const FolderFile& file : catalogue.models.files) {
            if (FoldCase(file.name).ends_with(".msm") && !usedModels.contains(&file)) {
                AddFinding(
                    report,
                    PieceFinding(Severity::info, "unused-model", "", "", ShownFileName(file.name),
                                 ShownFileName(file.name) + ": no profile names this model"));
            }
        }
        for (const FolderFile& file : catalogue.textures.files) {
            const std::string folded = FoldCase(file.name);
            if (folded.ends_with(".txr") && !usedTextures.contains(folded)) {
                AddFinding(
                    report,
                    PieceFinding(Severity::info, "unused-texture", "", "", ShownFileName(file.name),
                                 ShownFileName(file.name) + ": no model names this texture"));
            }
        }
    }
    return report;
}

std::string FindingLine(const Finding& finding) {
    std::string line = SeverityText(finding.severity);
    line += ' ';
    line += finding.code;
    if (!finding.profile.empty()) {
        line += " \"" + finding.piece + "\" (" + finding.profile + ")";
    }
    line += ": " + finding.message;
    return line;
}

// The three folders indexed, or nothing (with a message) when one is missing.
std::optional<CatalogueIndex> OpenCatalogue(const std::string& profiles, const std::string& models,
                                            const std::string& textures) {
    CatalogueIndex catalogue{IndexFolder(profiles), IndexFolder(models), IndexFolder(textures)};
    for (const FolderIndex* folder :
         {&catalogue.profiles, &catalogue.models, &catalogue.textures}) {
        if (!folder->exists) {
            WriteLine(stderr,
                      "piecetool: the folder " + ShownFileName(folder->folder) + " does not exist");
            return std::nullopt;
        }
    }
    return catalogue;
}
