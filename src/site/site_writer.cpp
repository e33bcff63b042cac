#include "site/site_writer.h"

#include "catalogue/catalogue_folders.h"
#include "common/count_text.h"
#include "common/file_io.h"
#include "common/output_links.h"
#include "site/base64.h"
#include "site/page_names.h"
#include "site/page_template.h"
#include "site/site_assets.h"
#include "site/site_files.h"

#include <filesystem>
#include <optional>
#include <set>

namespace {

// One run of the writer: where it writes, what it has tried to write, and the
// first template that would not fill (a fault of this program, not of the
// catalogue).
struct SiteRun {
    std::string outDir;
    std::set<std::string> attempted;
    SiteReport report;
    std::optional<Refusal> templateFault;

    std::string Fill(std::string_view asset, const TemplateValues& values) {
        Result<std::string> page = FillTemplate(SiteAsset(asset), values);
        if (!page) {
            if (!templateFault) {
                templateFault =
                    Refuse(page.refusal().code, std::string(asset) + ": " + page.refusal().message);
            }
            return {};
        }
        return std::move(page).value();
    }

    void Write(const std::string& relative, std::string_view bytes) {
        attempted.insert(relative);
        if (!WriteFileBytes(SiteFilePath(outDir, relative),
                            {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()})) {
            report.failedFiles.push_back(relative);
        }
    }

    void Write(const std::string& relative, const std::vector<std::uint8_t>& bytes) {
        Write(relative,
              std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }

    void Count(const std::vector<Finding>& findings) {
        for (const Finding& finding : findings) {
            report.errors += finding.severity() == Severity::error ? 1 : 0;
            report.warnings += finding.severity() == Severity::warning ? 1 : 0;
        }
    }

    // The findings as a list, each with its profile in front when `withProfile`.
    std::string FindingsHtml(const std::vector<Finding>& findings, bool withProfile) {
        if (findings.empty()) {
            return "<p class=\"findings none\">No findings</p>\n";
        }
        std::string items;
        for (const Finding& finding : findings) {
            const std::string message =
                withProfile ? finding.profile + ": " + finding.message : finding.message;
            items += Fill("finding.html", {{"severity", SeverityText(finding.severity())},
                                           {"code", FindingCodeText(finding.code)},
                                           {"message", message}});
        }
        return Fill("findings.html", {{"items", items}});
    }

    std::string PicturesHtml(const SitePiece& piece) {
        if (piece.textures.empty()) {
            return "<p class=\"none\">The model names no texture.</p>\n";
        }
        std::string pictures;
        for (const SiteTexture& texture : piece.textures) {
            if (texture.png.empty()) {
                pictures +=
                    Fill("no-texture.html", {{"name", texture.name}, {"problem", texture.problem}});
                continue;
            }
            const std::string width = std::to_string(texture.width);
            const std::string height = std::to_string(texture.height);
            pictures += Fill("texture.html", {{"name", texture.name},
                                              {"png", Base64(texture.png)},
                                              {"width", width},
                                              {"height", height},
                                              {"size", width + " x " + height},
                                              {"problem", texture.problem}});
        }
        return pictures;
    }

    // Writes the piece's files; returns its card for the index.
    std::string AddPiece(const SitePiece& piece, const std::string& page,
                         const std::string& title) {
        Count(piece.findings);
        ++report.pieces;
        const std::string textures = Counted(piece.textureCount, "texture", "textures");
        std::string view;
        if (piece.glb.empty()) {
            view = Fill("no-view.html", {{"problem", piece.glbProblem}});
        } else {
            Write(PieceGlbPath(page), piece.glb);
            view = Fill("viewer.html",
                        {{"glb", Base64(piece.glb)}, {"name", piece.name}, {"page", page}});
        }
        if (!piece.thumbnailPng.empty()) {
            Write(PieceThumbnailPath(page), piece.thumbnailPng);
        }
        const std::string findings = FindingsHtml(piece.findings, false);
        Write(PiecePagePath(page), Fill("piece.html", {{"title", title},
                                                       {"name", piece.name},
                                                       {"profile", piece.profileFile},
                                                       {"model", piece.modelFile},
                                                       {"textures", textures},
                                                       {"view", view},
                                                       {"findings", findings},
                                                       {"pictures", PicturesHtml(piece)}}));
        return Fill("card.html", {{"name", piece.name},
                                  {"page", page},
                                  {"profile", piece.profileFile},
                                  {"textures", textures},
                                  {"findings", findings}});
    }
};

} // namespace

Result<SiteReport> WriteSite(const std::string& outDir, const SiteOutline& outline,
                             const SitePieceSource& pieceAt) {
    namespace fs = std::filesystem;
    std::error_code error;
    const std::string pieces = SiteFilePath(outDir, kPiecesFolder);
    // Nothing of the site is written or removed through a link: a run that
    // meets one stops before it writes anything.
    for (const std::string_view name : {kPiecesFolder, kSiteManifest}) {
        if (Status noLink = RefuseLinkBelowFolder(outDir, SiteFilePath(outDir, name)); !noLink) {
            return noLink.refusal();
        }
    }
    fs::create_directories(fs::path(pieces), error);
    if (!IsDirectory(pieces.c_str())) {
        return Refuse("site-outdir", "the folder " + ShownFileName(pieces) + " cannot be made");
    }
    const std::vector<std::string> pages = PageNames(outline.profileFiles);

    // The manifest lists, before anything is written, what the earlier run
    // left and everything this run may write: a run cut short leaves nothing
    // that the next run would not know as its own.
    const std::set<std::string> earlier = ReadSiteManifest(outDir);
    std::set<std::string> planned = earlier;
    for (const std::string_view file :
         {kIndexPage, kStyleSheet, kPageScript, kModelViewerScript, kModelViewerLicence}) {
        planned.emplace(file);
    }
    for (const std::string& page : pages) {
        planned.insert({PiecePagePath(page), PieceGlbPath(page), PieceThumbnailPath(page)});
    }
    for (const std::string& file : planned) {
        if (Status noLink = RefuseLinkBelowFolder(outDir, SiteFilePath(outDir, file)); !noLink) {
            return noLink.refusal();
        }
    }
    if (Status written = WriteSiteManifest(outDir, planned); !written) {
        return written.refusal();
    }

    SiteRun run{outDir, {}, {}, {}};
    for (const std::string_view asset :
         {kStyleSheet, kPageScript, kModelViewerScript, kModelViewerLicence}) {
        run.Write(std::string(asset), SiteAsset(asset));
    }

    std::string cards;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        cards += run.AddPiece(pieceAt(i), pages[i], outline.title);
    }
    run.Count(outline.unlisted);
    std::string count = Counted(run.report.pieces, "piece", "pieces") + ", " +
                        Counted(run.report.errors, "error", "errors") + ", " +
                        Counted(run.report.warnings, "warning", "warnings");
    const std::string unlisted =
        outline.unlisted.empty()
            ? std::string()
            : run.Fill("unlisted.html", {{"findings", run.FindingsHtml(outline.unlisted, true)}});
    run.Write(std::string(kIndexPage), run.Fill("index.html", {{"title", outline.title},
                                                               {"count", count},
                                                               {"cards", cards},
                                                               {"unlisted", unlisted}}));
    if (run.templateFault) {
        return *run.templateFault;
    }
    run.report.removedFiles = RemoveStaleFiles(outDir, earlier, run.attempted);
    // A file of the earlier run that could not be removed stays listed, so
    // that a later run still knows it as the site's own.
    std::set<std::string> listed = run.attempted;
    for (const std::string& file : earlier) {
        std::error_code missing;
        if (!listed.contains(file) &&
            fs::exists(fs::symlink_status(fs::path(SiteFilePath(outDir, file)), missing))) {
            listed.insert(file);
        }
    }
    if (Status written = WriteSiteManifest(outDir, listed); !written) {
        return written.refusal();
    }
    return run.report;
}
