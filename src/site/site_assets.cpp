#include "site/site_assets.h"

std::string_view SiteAsset(std::string_view name) {
    for (std::size_t i = 0; i < kSiteAssetsCount; ++i) {
        if (name == kSiteAssets[i].name) {
            return {reinterpret_cast<const char*>(kSiteAssets[i].data), kSiteAssets[i].size};
        }
    }
    return {};
}
