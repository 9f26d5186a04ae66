#include "app/brindle_window.h"

#include <chrono>

#include "app/window_texts.h"

namespace brindle {

namespace {
// How often shutdown repeats its stop requests while the worker runs.
constexpr auto kWorkerPollInterval = std::chrono::milliseconds(10);
}  // namespace

CBrindleWindow::CBrindleWindow(std::shared_ptr<IHidBackend> backend, const CBuildConfig& config)
    : m_hid(std::move(backend)), m_config(config), m_windowThread(std::this_thread::get_id()) {}

CBrindleWindow::~CBrindleWindow() { Shutdown(); }

void CBrindleWindow::Shutdown() {
  if (m_shutDown) return;
  m_shutDown = true;
  m_worker.RequestStop();
  // From here on the worker's window calls return at once: it never waits
  // for this thread while this thread waits for it.
  CloseWindowCalls();
  if (m_worker.ThreadHeld()) {
    // Every wait of the worker ends on these requests: a block transfer
    // after its current report, a report read at its next slice, the archive
    // download at its next abort check, the archiver and the worker's own
    // sleeps on the stop flag. They are repeated because the worker clears
    // the transfer's cancel flag when it starts a new write. So the worker
    // leaves on its own well within the shutdown's bound (100 polls of 50 ms
    // and a 5000 ms wait) and is never killed.
    while (m_worker.Running()) {
      m_hid.RequestCancel();
      m_hid.AbortRead();
      m_download.RequestAbort();
      std::this_thread::sleep_for(kWorkerPollInterval);
    }
    m_worker.Collect();
  }
  // The downloader posts to this window from its own thread: it must end
  // while the window can still take messages.
  m_download.Stop();
  m_hid.Disconnect();
  m_hid.CloseTransport();  // also handles kept open for a worker after a removal
}

LRESULT CBrindleWindow::HandleMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DEVICECHANGE: return OnDeviceChange(wParam, lParam);
    case WM_COMMAND:
      // A button click carries the control id in the low word.
      if ((wParam & 0xFFFF) == kIdOpenButton) OnOpenClicked();
      if ((wParam & 0xFFFF) == kIdUpdateButton) OnUpdateClicked();
      if ((wParam & 0xFFFF) == kIdSettingButton) OnSettingClicked();
      return 0;
    case WM_HID_BYTES_SENT: return OnBytesSent(wParam, lParam);
    case WM_TIMER: OnTimer(static_cast<uint32_t>(wParam)); return 0;
    case WM_REFRESH_CONNECTION: RefreshConnectionStateHere(); return 0;
    case WM_RUN_WINDOW_CALLS: ServeWindowCalls(); return 0;
    case WM_UPDATE_WORKER_ENDED: OnUpdateWorkerEnded(); return 0;
    case WM_DOWNLOAD_FINISHED: return OnDownloadFinished(wParam, lParam);
    case WM_DOWNLOAD_PERCENT: return OnDownloadPercent(wParam, lParam);
    case WM_DOWNLOAD_SIZE: return OnDownloadSize(wParam, lParam);
    case WM_DOWNLOAD_SPEED: return OnDownloadSpeed(wParam, lParam);
    default:
      // WM_HID_BYTES_RECEIVED and everything else: nothing to do.
      return 0;
  }
}

void CBrindleWindow::OnInitDialog() {
  m_windowThread = std::this_thread::get_id();
  SetTitle(text::kTitle);
  m_deviceReady = false;
  SetControlText(kIdFileGroup, text::kFileGroup);
  SetControlText(kIdProgressGroup, text::kProgressGroup);
  SetControlText(kIdOpenButton, text::kOpen);
  SetControlText(kIdCloseButton, text::kClose);
  SetControlText(kIdSettingButton, text::kSetting);
  SetControlText(kIdUpdateButton, text::kUpdate);
  SetTimer(kTimerProgress, kProgressTickMs);
  SetUpOnlineSource();
  EnableControl(kIdSettingButton, false);
  EnableControl(kIdUpdateButton, false);
  if (!m_hid.IsConnected()) SearchForDevice();
  RefreshConnectionState();
}

void CBrindleWindow::SetTransferStage(uint8_t stage) { MarkTransferStage(m_worker.Progress(), m_hid, stage); }

LRESULT CBrindleWindow::OnBytesSent(WPARAM wParam, LPARAM lParam) {
  // The stage the bytes were sent in, not the one current now: the worker
  // has often moved on (from the header block to the brand section, say)
  // by the time the message is handled.
  if (CountsAsProgress(wParam))
    m_worker.Progress().bytesDone.fetch_add(static_cast<uint32_t>(lParam), std::memory_order_relaxed);
  return 0;
}

}  // namespace brindle
