#pragma once
// CUpdateWorker: one run per click of Update, on a thread of its own. It
// gets hold of the update file (the chosen file, or an archive it downloads
// and unpacks), checks it, reads its sections into memory, sends them with
// the section writer, proves what the device kept by reading it back, ends
// the exchange with the closing command, removes its working files and tells
// the user the outcome. It reaches the window's controls only through
// CBrindleWindow::RunOnWindowThread; the window reads its progress and its
// outcome.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "settings/brand_tag.h"
#include "update/section_image.h"
#include "update/section_writer.h"
#include "update/transfer_progress.h"

namespace brindle {

class CBrindleWindow;
struct ArchiveRoute;

// What the worker takes from the window when it is started: copies, so the
// window thread may go on changing its own members meanwhile.
struct UpdateRunInput {
  std::string archiveUrl;  // empty when there is none
  DeviceFacts facts;       // for the brand lookup
  // After the last write, read back every block written and compare.
  bool verifyAfter = false;
  // Send nothing: read back every block the file would write and compare.
  bool verifyOnly = false;
  // How long the read-back waits for a device that went away.
  int readBackReturnMs = 10000;
};

// The read-back after an update waits up to UpdateRunInput::readBackReturnMs
// for a device that is gone right after the closing command (one that
// restarts to take the update), and looks for it this often.
constexpr int kReadBackPollMs = 100;

// Outcome texts of a verify-only run.
inline constexpr char kTextVerifyOk[] = "Verify OK";
// Followed by what differs or could not be read.
inline constexpr char kTextVerifyFailed[] = "Verify failed: ";

class CUpdateWorker {
 public:
  explicit CUpdateWorker(CBrindleWindow& window) : m_window(window) {}
  // The window stops and collects the worker before it goes (Shutdown).
  ~CUpdateWorker();
  CUpdateWorker(const CUpdateWorker&) = delete;
  CUpdateWorker& operator=(const CUpdateWorker&) = delete;

  // Starts a run (window thread). False when one still runs or no thread
  // could be started.
  bool Start(UpdateRunInput input);
  // True from Start until the run's last step.
  bool Running() const { return m_running.load(std::memory_order_acquire); }
  // True while an ended run's thread has not been collected.
  bool ThreadHeld() const { return m_thread.joinable(); }
  // Waits for the thread of a run (window thread).
  void Collect();

  // Asks the run to stop: no further write or read is started, and a
  // failure it ends with shows no box.
  void RequestStop() { m_stop.store(true, std::memory_order_release); }
  bool StopRequested() const { return m_stop.load(std::memory_order_acquire); }
  const std::atomic<bool>& StopFlag() const { return m_stop; }

  TransferProgress& Progress() { return m_progress; }
  const TransferProgress& Progress() const { return m_progress; }
  // The last run's first outcome line ("" success) and its cause ("" none);
  // valid once Running() has turned false.
  const std::string& Outcome() const { return m_outcome; }
  const std::string& Cause() const { return m_cause; }

  // Marks a run as running or ended as far as the window can tell, without
  // a thread: for tests of the window's handlers.
  void MarkRunning(bool running) { m_running.store(running, std::memory_order_release); }

 private:
  struct Run;
  void RunThread(const UpdateRunInput& input);

  CBrindleWindow& m_window;
  std::thread m_thread;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_running{false};
  TransferProgress m_progress;
  std::string m_outcome;  // written by the run before it clears m_running
  std::string m_cause;
};

}  // namespace brindle
