// The window's side of the HTTP downloader: the version-file download it
// starts itself, and the messages of both downloads (the version file, and
// the update archive that the update worker fetches).
#include <cstdint>
#include <cstdio>

#include "app/brindle_window.h"
#include "app/window_texts.h"
#include "online/version_file.h"
#include "online/working_folder.h"

namespace brindle {

namespace {
constexpr const char* kVersionFileName = "Tmp";
}  // namespace

std::string CBrindleWindow::StartVersionFileDownload() {
  const std::string local = WorkingFolderPath(kVersionFileName);
  if (local.empty()) return "no working folder for the version file";
  m_download.SetParams(this, m_versionFileUrl, local);
  return m_download.Start(false);
}

void CBrindleWindow::RequestDownloadAbort() { m_download.RequestAbort(); }

void CBrindleWindow::EndRunningCheck() {
  if (!m_checkingVersion) return;
  // Stop returns once the download's thread has ended: its messages are all
  // queued by then, and the downloader may be set up again.
  m_download.Stop();
  const int outcome = m_download.LastOutcome();
  if (outcome >= 0) ++m_staleDownloadEnds;  // its end message is on its way
  OnDownloadEnded(outcome >= 0 ? outcome : static_cast<int>(DownloadAborted));
}

LRESULT CBrindleWindow::OnDownloadFinished(WPARAM wParam, LPARAM) {
  if (m_staleDownloadEnds > 0) {
    --m_staleDownloadEnds;
    return 0;
  }
  m_download.Stop();
  OnDownloadEnded(static_cast<int>(wParam));
  return 0;
}

void CBrindleWindow::OnDownloadEnded(int outcome) {
  EnableControl(kIdOpenButton, true);
  if (m_checkingVersion && m_fileChosen) {
    // A file was chosen while the check ran: the status text is that file
    // now, and the online answer no longer applies.
    m_checkingVersion = false;
    m_internetVersion = -1;
    std::remove(WorkingFolderPath(kVersionFileName).c_str());
    return;
  }
  if (outcome == DownloadAborted) {
    // An aborted check is over too: later messages belong to another download.
    if (m_checkingVersion) {
      m_checkingVersion = false;
      m_internetVersion = -1;
    }
    return;
  }
  if (outcome != DownloadOk) {
    if (m_checkingVersion) {
      m_checkingVersion = false;
      m_internetVersion = -1;
      SetControlText(kIdStatusText, text::kAccessFailed);
    } else {
      m_downloadError = text::kDownloadFailed;
      SetControlText(kIdProgress, text::kDownloadFailed);
    }
    return;
  }
  if (!m_checkingVersion) {
    OnDownloadSpeed(0, static_cast<LPARAM>(m_downloadTotal));
    return;
  }
  m_checkingVersion = false;
  const std::string path = WorkingFolderPath(kVersionFileName);
  VersionFileContent content;
  const int read = ReadVersionFile(path, content);
  std::remove(path.c_str());  // read once, whatever it held
  if (!read) {
    m_internetVersion = -1;
    SetControlText(kIdStatusText, text::kAccessFailed);
    return;
  }
  m_internetVersion = content.version;
  m_archiveUrl = content.archiveUrl;
  SetControlText(kIdStatusText, text::kInternetVersion + content.versionLine);
  if (m_deviceReady) EnableControl(kIdUpdateButton, true);
}

LRESULT CBrindleWindow::OnDownloadSize(WPARAM wParam, LPARAM) {
  if (m_staleDownloadEnds > 0) return 0;  // a stopped check's
  m_downloadTotal = static_cast<uint32_t>(wParam);
  SetProgressRange(0, m_downloadTotal);
  SetProgressPos(0);
  return 0;
}

LRESULT CBrindleWindow::OnDownloadPercent(WPARAM, LPARAM) { return 0; }

LRESULT CBrindleWindow::OnDownloadSpeed(WPARAM wParam, LPARAM lParam) {
  if (m_checkingVersion || m_staleDownloadEnds > 0) return 0;
  const uint32_t done = static_cast<uint32_t>(lParam);
  SetProgressPos(done);
  const double speed = static_cast<double>(wParam) / 100000.0;  // KB/s
  // Without a size (no Content-Length) or past it there is no meaningful
  // percentage or time left: both read 0 rather than a wrapped number.
  const bool sized = m_downloadTotal > 0 && done <= m_downloadTotal;
  const double percent = sized ? static_cast<double>(done) / m_downloadTotal * 100.0 : 0.0;
  uint32_t secondsLeft = 0;
  if (sized && speed > 0.0) {
    // A crawling transfer gives more seconds than 32 bits hold; converting
    // such a value is undefined, so it is capped at the largest one.
    const double left = (m_downloadTotal - done) / 1024u / speed;
    secondsLeft = left < static_cast<double>(UINT32_MAX) ? static_cast<uint32_t>(left) : UINT32_MAX;
  }

  char piece[64];
  std::string line = "Updated percent";
  std::snprintf(piece, sizeof piece, "%.02f%% ", percent);
  line += piece;
  line += "Speed";
  std::snprintf(piece, sizeof piece, "%.02fKb/s  ", speed);
  line += piece;
  line += "Remaining time";
  if (const uint32_t hours = secondsLeft / 3600) line += std::to_string(hours) + "Hour";
  if (const uint32_t minutes = secondsLeft % 3600 / 60) line += std::to_string(minutes) + "Minute";
  line += std::to_string(secondsLeft % 60) + "Second";
  SetControlText(kIdProgress, line);
  return 0;
}

}  // namespace brindle
