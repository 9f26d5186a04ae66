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
  if (m_shutDown || m_workerRunning.load(std::memory_order_acquire)) return false;
  if (m_workerThread.joinable()) m_workerThread.join();
  // The archive route uses the one downloader; a version-file download that
  // still has it is stopped and its end handled first, so the two never
  // share it and the check's late end message is not taken for the archive's.
  EndRunningCheck();
  m_stopWorker.store(false, std::memory_order_release);
  m_updateOutcome.clear();
  UpdateRunInput input;
  input.archiveUrl = m_archiveUrl;
  input.facts.settingsLayout = m_settingsLayout.load();
  input.facts.settingsBlock = m_settingsBlock;
  input.facts.identityBlock = m_identityBlock;
  m_workerRunning.store(1, std::memory_order_release);
  try {
    m_workerThread = std::thread([this, input = std::move(input)] { UpdateWorker(*this, input); });
  } catch (const std::system_error&) {
    m_workerRunning.store(0, std::memory_order_release);
    return false;
  }
  return true;
}

void CBrindleWindow::OnUpdateWorkerEnded() {
  if (m_workerRunning.load(std::memory_order_acquire)) return;
  if (m_workerThread.joinable()) m_workerThread.join();
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
