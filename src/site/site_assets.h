// The files a site is made from, built into piecetool (cmake/embed_files.cmake)
// so that `site` finds them the same from the build tree, the zip and the
// installed package: the page templates, style sheet and page script of
// src/site/assets, and <model-viewer> (the pinned release's UMD bundle, fetched
// and checked by scripts/fetch-model-viewer.sh) with its licence.
#pragma once

#include <cstddef>
#include <string_view>

struct EmbeddedFile {
    const char* name;
    const unsigned char* data;
    std::size_t size;
};

// Defined in the generated source.
extern const EmbeddedFile kSiteAssets[];
extern const std::size_t kSiteAssetsCount;

// The asset of that name: its file name in src/site/assets, or the names a
// site gives <model-viewer> and its licence (site_files.h). Empty when there
// is none.
std::string_view SiteAsset(std::string_view name);
