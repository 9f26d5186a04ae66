#include "online/brand_table.h"

#include <algorithm>
#include <cctype>

namespace brindle {

std::string BrandToVersionUrl(const CBuildConfig& config, std::string_view brand) {
  for (const BrandRow& row : config.brandTable)
    if (!row.brand.empty() && brand.starts_with(row.brand)) return row.versionFileUrl;
  return {};
}

bool UrlNamesArchive(const std::string& url) {
  const size_t dot = url.rfind('.');
  std::string ext = dot == std::string::npos ? url : url.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == "zip" || ext == "7z" || ext == "rar";
}

}  // namespace brindle
