// The Update button and the life of the update worker seen from the window:
// starting it, collecting it when it has ended, and the device work put off
// while it owned the device.
#include <system_error>

#include "app/brindle_window.h"
#include "app/update_worker.h"
#include "app/window_texts.h"

namespace brindle {

namespace {

constexpr const char* kAlreadyNewest = "Already the newest version,Updated or Not?";

// The device's data is as new as the published database; both must be known
// (above 0) for the question to make sense.
bool DeviceDataIsCurrent(int32_t internetVersion, int32_t deviceDataVersion) {
  return internetVersion > 0 && deviceDataVersion > 0 && deviceDataVersion >= internetVersion;
}

}  // namespace

void CBrindleWindow::OnUpdateClicked() {
  if (!m_hid.IsConnected()) {
    MessageBox(text::kNoHardware, "", MB_ICONERROR);
    return;
  }
  if (DeviceDataIsCurrent(m_internetVersion, m_deviceDataVersion) &&
      MessageBox(kAlreadyNewest, text::kTitle, MB_YESNO) != IDYES)
    return;
  StartUpdateWorker();
}

bool CBrindleWindow::StartUpdateWorker() {
  // One worker at a time: the buttons are disabled by the worker itself, a
  // little after it started.
  if (m_shutDown || m_worker.Running()) return false;
  // The archive route uses the one downloader; a version-file download that
  // still has it is stopped and its end handled first, so the two never
  // share it and the check's late end message is not taken for the archive's.
  EndRunningCheck();
  UpdateRunInput input = RunInput();
  input.archiveUrl = m_archiveUrl;
  input.verifyAfter = m_verifyAfterUpdate;
  return m_worker.Start(std::move(input));
}

bool CBrindleWindow::StartVerify() {
  if (m_shutDown || m_worker.Running()) return false;
  UpdateRunInput input = RunInput();
  input.verifyOnly = true;
  return m_worker.Start(std::move(input));
}

UpdateRunInput CBrindleWindow::RunInput() const {
  UpdateRunInput input;
  input.facts.settingsLayout = m_settingsLayout.load();
  input.facts.settingsBlock = m_settingsBlock;
  input.facts.identityBlock = m_identityBlock;
  input.readBackReturnMs = m_readBackReturnMs;
  return input;
}

void CBrindleWindow::OnUpdateWorkerEnded() {
  if (m_worker.Running()) return;
  m_worker.Collect();
  if (m_closeAfterWorker) {
    m_closeAfterWorker = false;
    m_hid.CloseTransport();
  }
  if (m_searchAfterWorker) {
    m_searchAfterWorker = false;
    OnDeviceChange(DBT_DEVNODES_CHANGED, 0);
  }
  if (m_identifyAfterWorker) {
    m_identifyAfterWorker = false;
    RefreshConnectionState();  // identifies again two seconds later
  }
}

bool CBrindleWindow::ReopenDeviceForWorker() {
  // The handles of a device that went away never work again, even once it
  // is back: they are closed now rather than after the worker, and the
  // device found again is the worker's.
  m_hid.Disconnect();
  m_hid.CloseTransport();
  m_closeAfterWorker = false;
  if (m_hid.Connect() != 1) return false;
  m_searchAfterWorker = false;
  return true;
}

void CBrindleWindow::ReleaseDeviceAfterWorker() {
  // The worker may be inside a report read or write on these handles: it is
  // told to stop and fails through its own path; the handles are closed
  // when it has ended. The window shows the device as gone at once.
  m_hid.MarkDisconnected();
  m_hid.RequestCancel();
  m_hid.AbortRead();
  m_closeAfterWorker = true;
  RefreshConnectionState();
}

}  // namespace brindle
