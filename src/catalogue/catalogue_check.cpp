#include "catalogue/catalogue_check.h"

#include "common/file_group.h"
#include "common/folder_lock.h"
#include "common/shift_jis_text.h"

#include <map>
#include <set>

namespace {

Finding FileFinding(FindingCode code, const CatalogueProfile& profile, std::string message) {
    const std::string shown = ShownFileName(profile.fileName);
    return Finding{code, ShiftJisToUtf8(profile.pieceName), shown, shown, std::move(message)};
}

} // namespace

void AddFinding(CheckReport& report, Finding finding) {
    switch (finding.severity()) {
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

CheckReport CheckCatalogue(const CatalogueIndex& catalogue, bool withInfo,
                           const std::function<void(std::size_t, std::size_t)>& progress) {
    CheckReport report;
    // A journal that no running import holds: the files of its piece may be
    // mixed (an earlier one's beside a later one's) until an import puts them
    // right. A folder named twice is looked at once.
    std::set<std::string> looked;
    for (const FolderIndex* folder :
         {&catalogue.profiles, &catalogue.models, &catalogue.textures}) {
        if (!looked.insert(folder->folder).second || FolderLockHeld(folder->folder)) {
            continue;
        }
        for (const std::string& journal : InterruptedFileGroups(folder->folder)) {
            const std::string shown = ShownFileName(journal);
            AddFinding(report,
                       Finding{FindingCode::importInterrupted, "", "", shown,
                               shown + ": an import into these folders was cut short, and its "
                                       "piece's files may be mixed; the next piecetool import "
                                       "into them puts the earlier piece back whole (run the "
                                       "same import again to finish it)"});
        }
    }
    const std::vector<CatalogueProfile> profiles = ListProfiles(catalogue.profiles);
    TextureFolderResolver resolver(catalogue.textures);
    std::set<const FolderFile*> usedModels;
    std::set<const FolderFile*> usedTextures;
    std::map<std::string, std::string> firstProfileOfName;

    for (std::size_t p = 0; p < profiles.size(); ++p) {
        if (progress) {
            progress(p, profiles.size());
        }
        const CatalogueProfile& profile = profiles[p];
        if (!profile.pathFits) {
            AddFinding(report, FileFinding(FindingCode::pathTooLong, profile,
                                           "the profile's path is longer than 259 characters: "
                                           "the viewer passes it over"));
            continue;
        }
        if (!profile.qualifies) {
            AddFinding(report, FileFinding(FindingCode::profileSkipped, profile,
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
            AddFinding(report, FileFinding(FindingCode::duplicateName, profile,
                                           "the same name as the piece of " + first->second));
        }
        LoadedPiece piece = LoadPiece(catalogue, profile, resolver);
        if (piece.modelEntry != nullptr) {
            usedModels.insert(piece.modelEntry);
        }
        for (const PieceTexture& texture : piece.textures) {
            if (texture.lookup.file != nullptr) {
                usedTextures.insert(texture.lookup.file);
            }
        }
        for (Finding& finding : piece.findings) {
            AddFinding(report, std::move(finding));
        }
    }
    if (progress) {
        progress(profiles.size(), profiles.size());
    }

    if (withInfo) {
        for (const FolderFile& file : catalogue.models.files) {
            if (FoldCase(file.name).ends_with(".msm") && !usedModels.contains(&file)) {
                AddFinding(report,
                           Finding{FindingCode::unusedModel, "", "", ShownFileName(file.name),
                                   ShownFileName(file.name) + ": no profile names this model"});
            }
        }
        for (const FolderFile& file : catalogue.textures.files) {
            if (FoldCase(file.name).ends_with(".txr") && !usedTextures.contains(&file)) {
                AddFinding(report,
                           Finding{FindingCode::unusedTexture, "", "", ShownFileName(file.name),
                                   ShownFileName(file.name) + ": no model names this texture"});
            }
        }
    }
    return report;
}

std::string FindingLine(const Finding& finding) {
    std::string line = SeverityText(finding.severity());
    line += ' ';
    line += FindingCodeText(finding.code);
    if (!finding.profile.empty()) {
        line += " \"" + finding.piece + "\" (" + finding.profile + ")";
    }
    line += ": " + finding.message;
    return line;
}
