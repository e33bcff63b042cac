#include "site/site_files.h"

#include "catalogue/catalogue_folders.h"
#include "common/file_io.h"
#include "site/page_names.h"

#include <array>
#include <filesystem>

namespace {

constexpr std::array kTopFiles = {kIndexPage, kStyleSheet, kPageScript, kModelViewerScript,
                                  kModelViewerLicence};
constexpr std::array<std::string_view, 3> kPieceExtensions = {".html", ".glb", ".png"};

std::string PieceFile(std::string_view pageName, std::string_view extension) {
    std::string path(kPiecesFolder);
    path += '/';
    path += pageName;
    path += extension;
    return path;
}

} // namespace

std::string PiecePagePath(std::string_view pageName) {
    return PieceFile(pageName, ".html");
}

std::string PieceGlbPath(std::string_view pageName) {
    return PieceFile(pageName, ".glb");
}

std::string PieceThumbnailPath(std::string_view pageName) {
    return PieceFile(pageName, ".png");
}

bool IsSiteFile(std::string_view relative) {
    for (const std::string_view name : kTopFiles) {
        if (relative == name) {
            return true;
        }
    }
    const std::size_t slash = relative.find('/');
    if (slash == std::string_view::npos || relative.substr(0, slash) != kPiecesFolder) {
        return false;
    }
    const std::string_view file = relative.substr(slash + 1);
    for (const std::string_view extension : kPieceExtensions) {
        if (file.ends_with(extension) &&
            IsPageNameText(file.substr(0, file.size() - extension.size()))) {
            return true;
        }
    }
    return false;
}

std::string SiteFilePath(const std::string& outDir, std::string_view relative) {
    const std::size_t slash = relative.find('/');
    if (slash == std::string_view::npos) {
        return FolderPath(outDir, relative);
    }
    return FolderPath(FolderPath(outDir, relative.substr(0, slash)), relative.substr(slash + 1));
}

std::set<std::string> ReadSiteManifest(const std::string& outDir) {
    std::set<std::string> files;
    const std::optional<std::vector<std::uint8_t>> bytes =
        ReadWholeFile(SiteFilePath(outDir, kSiteManifest).c_str(), 64u << 20);
    if (!bytes) {
        return files;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(at, end - at);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (IsSiteFile(line)) {
            files.emplace(line);
        }
        at = end + 1;
    }
    return files;
}

Status WriteSiteManifest(const std::string& outDir, const std::set<std::string>& files) {
    std::string text = "# piecetool site: the files its last run wrote here. The next run removes\n"
                       "# those it does not write again and leaves every other file alone.\n";
    for (const std::string& file : files) {
        text += file;
        text += '\n';
    }
    const std::string path = SiteFilePath(outDir, kSiteManifest);
    if (WriteFileBytes(path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()})) {
        return Success();
    }
    return Refuse("site-manifest", "the manifest " + ShownFileName(path) + " cannot be written");
}

std::size_t RemoveStaleFiles(const std::string& outDir, const std::set<std::string>& earlier,
                             const std::set<std::string>& kept) {
    namespace fs = std::filesystem;
    std::size_t removed = 0;
    for (const std::string& file : earlier) {
        if (kept.contains(file) || !IsSiteFile(file)) {
            continue;
        }
        const fs::path path(SiteFilePath(outDir, file));
        std::error_code error;
        const fs::file_status status = fs::symlink_status(path, error);
        if (!error && (fs::is_regular_file(status) || fs::is_symlink(status)) &&
            fs::remove(path, error)) {
            ++removed;
        }
    }
    return removed;
}
