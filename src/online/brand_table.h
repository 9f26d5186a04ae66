#pragma once
// The brand table lookup: which version file belongs to a brand.
#include <string>
#include <string_view>

#include "core/build_config.h"

namespace brindle {

// The version-file URL of the first row whose brand bytes begin brand (a
// longer brand that begins with a row's bytes matches too); empty when no
// row matches.
std::string BrandToVersionUrl(const CBuildConfig& config, std::string_view brand);

// True when a table URL names the update archive itself (extension zip, 7z
// or rar in any case) rather than a version file.
bool UrlNamesArchive(const std::string& url);

}  // namespace brindle
