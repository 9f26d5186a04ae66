// Where the window looks for a newer database: the brand table of the build
// configuration, consulted at start-up with the company name and after an
// identification with the device's brand.
#include <algorithm>
#include <cctype>
#include <string_view>

#include "app/brindle_window.h"
#include "app/window_texts.h"

namespace brindle {

namespace {

// The first row whose brand bytes begin the brand; empty when none does.
std::string VersionUrlForBrand(const CBuildConfig& config, std::string_view brand) {
  for (const BrandRow& row : config.brandTable)
    if (!row.brand.empty() && brand.starts_with(row.brand)) return row.versionFileUrl;
  return {};
}

// A table URL may name the update archive itself instead of a version file.
bool NamesArchive(const std::string& url) {
  const size_t dot = url.rfind('.');
  std::string ext = dot == std::string::npos ? url : url.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == "zip" || ext == "7z" || ext == "rar";
}

}  // namespace

void CBrindleWindow::SetUpOnlineSource() {
  m_archiveUrl.clear();
  m_checkingVersion = false;
  m_versionFileUrl = VersionUrlForBrand(m_config, m_config.companyName);
  if (m_versionFileUrl.empty()) {
    m_onlineSourceSet = false;
    m_internetVersion = -1;
    SetControlText(kIdStatusText, text::kChooseFile);
    return;
  }
  if (NamesArchive(m_versionFileUrl)) {
    m_archiveUrl = m_versionFileUrl;
    SetControlText(kIdStatusText, m_archiveUrl);
    m_onlineSourceSet = true;
    return;
  }
  StartVersionCheck();
  m_onlineSourceSet = true;
}

void CBrindleWindow::StartVersionCheckForIdentity() {
  const std::string_view brand(reinterpret_cast<const char*>(m_identityBlock.data()),
                               m_identityBlock.size());
  m_versionFileUrl = VersionUrlForBrand(m_config, brand);
  if (!m_versionFileUrl.empty()) StartVersionCheck();
}

void CBrindleWindow::StartVersionCheck() {
  SetControlText(kIdStatusText, text::kSearchingVersion);
  m_checkingVersion = true;
  if (!StartVersionFileDownload().empty()) {
    SetControlText(kIdStatusText, text::kCheckNotStarted);
    m_checkingVersion = false;
  } else {
    // Open comes back when the download reports its end.
    EnableControl(kIdOpenButton, false);
  }
  m_internetVersion = 0;
}

}  // namespace brindle
