// Where the window looks for a newer database: the brand table of the build
// configuration, consulted at start-up with the company name and after an
// identification with the device's brand.
#include <string_view>

#include "app/brindle_window.h"
#include "app/window_texts.h"
#include "online/brand_table.h"

namespace brindle {

void CBrindleWindow::SetUpOnlineSource() {
  m_archiveUrl.clear();
  m_checkingVersion = false;
  m_versionFileUrl = BrandToVersionUrl(m_config, m_config.companyName);
  if (m_versionFileUrl.empty()) {
    m_onlineSourceSet = false;
    m_internetVersion = -1;
    SetControlText(kIdStatusText, text::kChooseFile);
    return;
  }
  if (UrlNamesArchive(m_versionFileUrl)) {
    m_archiveUrl = m_versionFileUrl;
    SetControlText(kIdStatusText, m_archiveUrl);
    m_onlineSourceSet = true;
    return;
  }
  StartVersionCheck();
  m_onlineSourceSet = true;
}

void CBrindleWindow::StartVersionCheckForIdentity() {
  // The check would write its answer over the file the user chose, and the
  // next Update would then fetch the online archive instead of that file.
  if (m_fileChosen) return;
  const std::string_view brand(reinterpret_cast<const char*>(m_identityBlock.data()), m_identityBlock.size());
  m_versionFileUrl = BrandToVersionUrl(m_config, brand);
  if (!m_versionFileUrl.empty()) StartVersionCheck();
}

void CBrindleWindow::StartVersionCheck() {
  // One download at a time: the downloader is never set up again while a
  // transfer runs. A check of the same file that still runs gives the answer
  // this one would; one of another file (another device's brand) is stopped
  // and its end handled first, so the two answers are never mixed.
  if (m_checkingVersion) {
    if (m_checkUrl == m_versionFileUrl) return;
    EndRunningCheck();
  }
  SetControlText(kIdStatusText, text::kSearchingVersion);
  m_checkingVersion = true;
  m_checkUrl = m_versionFileUrl;
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
