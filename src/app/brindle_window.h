#pragma once
// CBrindleWindow: the main window without a toolkit. It holds the window's
// state record, routes window messages to their
// handlers on the window's thread, and leaves to a subclass only what a real
// window must do (the pure virtual window operations). The desktop dialog,
// the console of brindle-cli and the tests' recording window derive from it.
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "app/brand_rules.h"
#include "app/update_worker.h"
#include "app/window_ids.h"
#include "core/build_config.h"
#include "core/messages.h"
#include "device/hid_cmd.h"
#include "online/http_download.h"
#include "settings/settings_layout.h"
#include "update/transfer_layout.h"

namespace brindle {

class CBrindleWindow : public IMessageTarget {
 public:
  explicit CBrindleWindow(std::shared_ptr<IHidBackend> backend,
                          const CBuildConfig& config = CBuildConfig::Default());
  ~CBrindleWindow() override;
  CBrindleWindow(const CBrindleWindow&) = delete;
  CBrindleWindow& operator=(const CBrindleWindow&) = delete;

  // ---- Window operations: window thread only, except PostMessage. ----
  virtual void SetTitle(const std::string& title) = 0;
  virtual std::string GetControlText(int id) = 0;
  virtual void SetControlText(int id, const std::string& text) = 0;
  virtual void EnableControl(int id, bool enable) = 0;
  virtual void SetProgressRange(uint32_t low, uint32_t high) = 0;
  virtual void SetProgressPos(uint32_t pos) = 0;
  // Returns the answer (IDOK, IDYES, IDNO, ...). An empty caption means the
  // system's default caption.
  virtual int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) = 0;
  // The file-open dialog; IDOK with the chosen full path, or IDCANCEL.
  virtual int ShowFileOpenDialog(const std::string& defaultExtension, const std::string& filter,
                                 std::string& path) = 0;
  // Runs the settings dialog modally on block; 1 when the user confirmed it.
  virtual int RunSettingsDialog(const std::string& captionPrefix, int32_t layout,
                                const IdentityBlock& identity, SettingsBlock& block) = 0;
  virtual void SetTimer(uint32_t id, uint32_t periodMs) = 0;
  virtual void KillTimer(uint32_t id) = 0;
  // From IMessageTarget: any thread; the message is later handed to
  // HandleMessage on the window's thread.
  void PostMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) override = 0;

  // ---- The message map: called on the window's thread. ----
  LRESULT HandleMessage(uint32_t msg, WPARAM wParam, LPARAM lParam);

  // ---- Handlers and operations. ----
  // Start-up steps of the dialog that are not painting.
  void OnInitDialog();
  // wParam: the transfer stage when the report was sent (m_hid.SentTag()).
  LRESULT OnBytesSent(WPARAM wParam, LPARAM lParam);
  // Sets the transfer's stage and tags the sent bytes that follow with it
  // (any thread).
  void SetTransferStage(uint8_t stage);
  void OnTimer(uint32_t id);
  void ShowTransferProgress();
  void OnOpenClicked();
  // The Setting button: edits the device's settings block and writes it back.
  void OnSettingClicked();
  LRESULT OnDeviceChange(WPARAM event, LPARAM eventData);
  // Any thread: off the window thread the work is posted to the window.
  void RefreshConnectionState();
  void IdentifyDevice();
  // True when the device's brand may be served (writes the identity block
  // when a rule claims or re-brands the device).
  bool CheckDeviceBrand();
  // Download messages of the online route.
  LRESULT OnDownloadFinished(WPARAM wParam, LPARAM lParam);
  LRESULT OnDownloadSize(WPARAM wParam, LPARAM lParam);
  LRESULT OnDownloadPercent(WPARAM wParam, LPARAM lParam);
  LRESULT OnDownloadSpeed(WPARAM wParam, LPARAM lParam);

  // The Update button: refuses without a device, asks when the device's
  // data is already as new as the published version, then starts the worker.
  void OnUpdateClicked();
  // Starts the update worker on the status text and the archive URL, as the
  // Update button does after its checks (window thread). False when a worker
  // still runs or no thread could be started.
  bool StartUpdateWorker();
  // Starts the worker on the status text as a verify-only run: the file's
  // sections are read back from the device and compared, nothing is sent.
  bool StartVerify();
  // Runs call on the window's thread and waits for it (at once when called
  // there). The update worker reaches the window's operations only through
  // this. False, without running it, once shutdown has begun, so a worker
  // never waits for a window that is going away.
  bool RunOnWindowThread(const std::function<void()>& call);
  // For the worker's read-back after an update that found the device
  // unreadable (window thread): opens it again; true when it is there.
  bool ReopenDeviceForWorker();

  // Stops what runs beside the window (the update worker) and closes the
  // device. Subclasses call it first in their destructors, while their window
  // operations still exist; it is safe to call twice.
  void Shutdown();

  const CBuildConfig& Config() const { return m_config; }
  bool IsWindowThread() const { return std::this_thread::get_id() == m_windowThread; }

  // ---- The state record, read from outside the window. ----
  // The device link; the console configures it before the start-up.
  CHidCmd& Hid() { return m_hid; }
  const CHidCmd& Hid() const { return m_hid; }
  int32_t DeviceVersion() const { return m_deviceVersion.load(std::memory_order_relaxed); }
  // True from the start of an update worker until its last step.
  bool WorkerRunning() const { return m_worker.Running(); }
  // True while an update worker's thread has not been collected.
  bool WorkerThreadHeld() const { return m_worker.ThreadHeld(); }
  // The TransferStage SetTransferStage last set.
  uint8_t CurrentTransferStage() const { return Transfer().stage.load(std::memory_order_relaxed); }
  uint32_t BytesDone() const { return Transfer().bytesDone.load(std::memory_order_relaxed); }
  uint32_t BytesTotal() const { return Transfer().bytesTotal.load(std::memory_order_relaxed); }
  uint32_t ProgressTicks() const { return Transfer().ticks.load(std::memory_order_relaxed); }
  const TransferProgress& Transfer() const { return m_worker.Progress(); }
  // Whether an update reads back every block it wrote before it counts as
  // done (the menu's "Verify after update").
  bool VerifyAfterUpdate() const { return m_verifyAfterUpdate; }
  void SetVerifyAfterUpdate(bool verify) { m_verifyAfterUpdate = verify; }
  // How long the read-back after an update waits for a device that went
  // away at the closing command (window thread, before a run).
  void SetReadBackReturnMs(int ms) { m_readBackReturnMs = ms; }
  const std::string& ArchiveUrl() const { return m_archiveUrl; }
  // The archive an update downloads when the chosen file does not exist
  // (window thread, not while a worker runs).
  void SetArchiveUrl(std::string url) { m_archiveUrl = std::move(url); }
  const std::string& VersionFileUrl() const { return m_versionFileUrl; }
  int32_t InternetVersion() const { return m_internetVersion; }
  int32_t DeviceDataVersion() const { return m_deviceDataVersion; }
  bool CheckingVersion() const { return m_checkingVersion; }
  const std::string& DownloadError() const { return m_downloadError; }
  // The one downloader; the update worker runs the archive download on it.
  CHttpDownload& Downloader() { return m_download; }
  // Window thread only.
  void ClearDownloadError() { m_downloadError.clear(); }
  const IdentityBlock& Identity() const { return m_identityBlock; }
  const SettingsBlock& Settings() const { return m_settingsBlock; }
  int32_t SettingsLayout() const { return m_settingsLayout.load(); }
  int32_t SettingsRevision() const { return m_settingsRevision; }
  bool DeviceReady() const { return m_deviceReady; }
  bool OnlineSourceSet() const { return m_onlineSourceSet; }
  BrandRule LastBrandRule() const { return m_brandRule; }
  const std::string& DataDateText() const { return m_dataDateText; }
  // The last update run's first outcome line ("" success) and its cause
  // line ("" none). Valid once WorkerRunning() has turned false.
  const std::string& UpdateOutcome() const { return m_worker.Outcome(); }
  const std::string& UpdateCause() const { return m_worker.Cause(); }

 protected:
  // ---- State record, shared by the handlers, the worker and the downloads. ----
  CHidCmd m_hid;
  std::atomic<int32_t> m_deviceVersion{kResultNotSent};  // QueryVersion value or a negative result
  // The update worker: its thread, stop request, progress and outcome.
  CUpdateWorker m_worker{*this};
  CHttpDownload m_download;          // the one downloader: version file and archive
  std::string m_archiveUrl;          // URL of the update archive; empty when none
  std::string m_versionFileUrl;      // URL of the brand's version file
  int32_t m_internetVersion = -1;    // -1 none or failed, 0 check under way, > 0 published
  int32_t m_deviceDataVersion = -1;  // yyyymmdd of the device's data; -1 no device
  uint32_t m_downloadTotal = 0;      // size of the running download
  bool m_checkingVersion = false;    // the version file (not the archive) downloads
  std::string m_downloadError;       // text after a failed archive download
  IdentityBlock m_identityBlock{};
  SettingsBlock m_settingsBlock{};
  std::atomic<int32_t> m_settingsLayout{0};  // 3, 2, 1; 0 or -1 no usable settings
  int32_t m_settingsRevision = 0;
  bool m_deviceReady = false;      // the connected device has been identified
  bool m_onlineSourceSet = false;  // start-up found a version file or archive URL
  // The status text holds the update file the user chose with Open. The
  // online route then leaves it alone: no check replaces it with its text.
  bool m_fileChosen = false;

  // ---- What the last identification decided, for reports and tests. ----
  BrandRule m_brandRule = BrandRule::kNone;
  std::string m_dataDateText;        // the date shown after "   V:"; empty when unread
  bool m_verifyAfterUpdate = false;  // read back every block after an update
  int m_readBackReturnMs = UpdateRunInput{}.readBackReturnMs;

 private:
  void RefreshConnectionStateHere();
  // Looks for the device and opens it (window thread); 1 when it opened.
  // The status text then says whether a found device was refused to us.
  int SearchForDevice();
  // Shows the access hint while a matching device cannot be opened for lack
  // of permission, and takes it away once that is no longer so.
  void ShowAccessHint();
  void SetUpOnlineSource();
  void StartVersionCheck();
  // The check after an identification, for the device's own brand.
  void StartVersionCheckForIdentity();
  // Starts the downloader on the version file; an error text when it cannot.
  std::string StartVersionFileDownload();
  // Asks a running download to stop without waiting for it.
  void RequestDownloadAbort();
  // The end of a version-file or archive download, once per download.
  void OnDownloadEnded(int outcome);
  // Stops a running version check, waits for it and handles its end here
  // and now, so the downloader is free for the next download; the end
  // message still on its way is then passed over.
  void EndRunningCheck();
  void WriteIdentityBlock();
  // Update worker plumbing (window_update.cpp, window_calls.cpp).
  struct WindowCall;
  void ServeWindowCalls();
  void CloseWindowCalls();
  void OnUpdateWorkerEnded();
  // What every worker run takes from the window: the device facts for the
  // brand lookup and the read-back's bound.
  UpdateRunInput RunInput() const;
  // Device removed while the worker runs: the worker fails on its own, the
  // handles are closed once it has ended.
  void ReleaseDeviceAfterWorker();

  const CBuildConfig m_config;
  std::thread::id m_windowThread;  // the thread that built the window
  std::string m_progressPrefix;    // bar label captured when a transfer began
  // The bytes done at the last progress tick, and the tick they last moved
  // at: a transfer that stands still says that it waits for the device.
  uint32_t m_lastShownDone = 0;
  uint32_t m_lastMoveTick = 0;
  bool m_shutDown = false;
  std::mutex m_callMutex;
  std::condition_variable m_callDone;
  std::deque<WindowCall*> m_pendingCalls;  // guarded by m_callMutex
  bool m_callsClosed = false;              // guarded by m_callMutex
  // Device work put off while the worker owned the device (window thread).
  bool m_closeAfterWorker = false;
  bool m_searchAfterWorker = false;
  bool m_identifyAfterWorker = false;
  std::string m_textBeforeHint;  // the status text the access hint replaced
  std::string m_checkUrl;        // the version file the running check fetches
  // Ends of stopped checks that were handled by EndRunningCheck and whose
  // messages are still queued: everything up to and including that many
  // WM_DOWNLOAD_FINISHED belongs to them (the window's queue keeps order).
  int m_staleDownloadEnds = 0;
  // Counts the connections made and the identifications started (window
  // thread). Settings read under one count are written only under the same,
  // so they never land on another device than the one they came from.
  uint32_t m_deviceSession = 0;
};

}  // namespace brindle
