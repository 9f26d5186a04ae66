#pragma once
// A recording main window: it keeps what the handlers did to the window
// (titles, control texts, enables, message boxes, timers) and queues posted
// messages until the test pumps them. Message boxes and the file dialog
// answer from scripts.
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/brindle_window.h"
#include "core/posted_message_queue.h"

namespace brindle::test {

class CFakeWindow final : public CBrindleWindow {
 public:
  using CBrindleWindow::CBrindleWindow;
  ~CFakeWindow() override { Shutdown(); }

  struct Box {
    std::string text;
    std::string caption;
    uint32_t flags;
  };
  struct TimerCall {
    bool set;  // SetTimer, else KillTimer
    uint32_t id;
    uint32_t periodMs;
  };
  using Posted = PostedMessage;

  std::vector<std::string> titles;
  std::map<int, std::string> texts;
  std::map<int, bool> enabled;  // controls never touched are absent
  uint32_t progressLow = 0, progressHigh = 0, progressPos = 0;
  std::vector<Box> boxes;
  std::deque<int> boxAnswers;               // answered in order; IDOK when empty
  std::optional<std::string> fileToChoose;  // the file dialog's answer; cancel when empty
  int fileDialogs = 0;
  // Runs in place of the settings dialog; without one the dialog is cancelled.
  std::function<int(const std::string&, int32_t, const IdentityBlock&, SettingsBlock&)> settingsDialog;
  int settingsDialogs = 0;
  std::map<uint32_t, uint32_t> timers;  // armed timers and their periods
  std::vector<TimerCall> timerCalls;
  // Threads on which the window operations ran.
  std::vector<std::thread::id> operationThreads;

  void SetTitle(const std::string& title) override;
  std::string GetControlText(int id) override;
  void SetControlText(int id, const std::string& text) override;
  void EnableControl(int id, bool enable) override;
  void SetProgressRange(uint32_t low, uint32_t high) override;
  void SetProgressPos(uint32_t pos) override;
  int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) override;
  int ShowFileOpenDialog(const std::string& defaultExtension, const std::string& filter,
                         std::string& path) override;
  int RunSettingsDialog(const std::string& captionPrefix, int32_t layout, const IdentityBlock& identity,
                        SettingsBlock& block) override;
  void SetTimer(uint32_t id, uint32_t periodMs) override;
  void KillTimer(uint32_t id) override;
  void PostMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) override;

  // Dispatches posted messages, also those posted while pumping; returns
  // how many were dispatched.
  size_t Pump();
  // Dispatches WM_TIMER for id when the timer is armed; false when not.
  bool FireTimer(uint32_t id);
  bool IsArmed(uint32_t id) const { return timers.count(id) != 0; }
  bool IsEnabled(int id) const;
  std::string Title() const { return titles.empty() ? std::string() : titles.back(); }
  size_t PendingCount() const;
  std::vector<Posted> PostedCopy() const;  // everything ever posted

  // ---- Arranging the state record as a test case needs it. ----
  // The transfer's counters, as the worker leaves them at some point.
  void ArrangeProgress(uint32_t done, uint32_t total, uint32_t ticks) {
    m_worker.Progress().bytesDone = done;
    m_worker.Progress().bytesTotal = total;
    m_worker.Progress().ticks = ticks;
  }
  // The bytes acknowledged so far, the rest of the transfer as it is.
  void ArrangeBytesDone(uint32_t done) { m_worker.Progress().bytesDone = done; }
  // The published version (-1 none, 0 check under way) and the device's
  // data date (-1 no device, 0 unread).
  void ArrangeVersions(int32_t internet, int32_t deviceData) {
    m_internetVersion = internet;
    m_deviceDataVersion = deviceData;
  }
  // Whether the download under way is the version file.
  void ArrangeCheckingVersion(bool checking) { m_checkingVersion = checking; }
  void ArrangeDownloadError(std::string error) { m_downloadError = std::move(error); }
  // A worker that runs (or has ended) as far as the handlers can tell.
  void ArrangeWorkerRunning(bool running) { m_worker.MarkRunning(running); }
  // The version answer, also a negative result a failed query leaves.
  void ArrangeDeviceVersion(int32_t version) { m_deviceVersion = version; }
  void ArrangeIdentity(const IdentityBlock& identity) { m_identityBlock = identity; }

 private:
  void NoteThread() { operationThreads.push_back(std::this_thread::get_id()); }

  CPostedMessageQueue m_queue;
  mutable std::mutex m_mutex;
  std::vector<Posted> m_posted;  // guarded by m_mutex
};

}  // namespace brindle::test
