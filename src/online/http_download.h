#pragma once
// CHttpDownload: fetches one HTTP or HTTPS resource into a local file and
// reports to its owner by posted messages: WM_DOWNLOAD_SIZE once when the
// response is accepted, WM_DOWNLOAD_PERCENT when the whole percentage
// changes (only with a Content-Length), WM_DOWNLOAD_SPEED at most once a
// second, and WM_DOWNLOAD_FINISHED exactly once as the last act of every
// attempt that Start started. The transfer runs in a thread of its own or in
// the thread that calls Start. Built on libcurl's easy interface.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "core/messages.h"
#include "online/download_file.h"

namespace brindle {

// wParam of WM_DOWNLOAD_FINISHED.
enum DownloadOutcome : int {
  DownloadOk = 0,
  DownloadErrorInternet = 1,     // the client could not be set up
  DownloadErrorRequest = 2,      // connecting or sending the request failed
  DownloadErrorTransfer = 3,     // reading the body or writing the file failed
  DownloadErrorStatusQuery = 4,  // no readable HTTP status came back
  DownloadErrorHttpStatus = 5,   // a status other than 200 or 206 (lParam: the status)
  DownloadAborted = 6,           // the owner asked the transfer to stop
};

// Name of an outcome code as written above; "unknown" for any other value.
const char* DownloadOutcomeName(int outcome);

// m_accessType values.
constexpr int kAccessPreconfig = 0;  // the proxy environment variables (http_proxy, ...)
constexpr int kAccessDirect = 1;     // no proxy, whatever the environment says
constexpr int kAccessProxy = 2;      // the proxy named in m_proxy

// m_serviceType values.
constexpr uint32_t kServiceHttp = 3;
constexpr uint32_t kServiceHttps = 0x100B;

// Bytes handled per read: abort checks, progress and the bandwidth cap work
// per block of this size.
constexpr size_t kDownloadBlockSize = 1024;
// Longest time Stop waits for a running transfer before it stops waiting
// politely (it then still joins the worker, which leaves at its next abort
// check, at most about a second later).
constexpr int kStopWaitMs = 4000;
// Network bounds. Without them a silent server would hold a transfer for
// ever; the values follow the usual client defaults.
constexpr long kConnectTimeoutMs = 60000;
// A server that sends less than kStallBytesPerSecond on average over
// kStallSeconds has stalled: a trickle holds a transfer as long as silence.
constexpr long kStallSeconds = 60;
constexpr long kStallBytesPerSecond = 1024;

class CHttpDownload {
 public:
  CHttpDownload();
  // Stops and joins a transfer that is still running: a thread object may
  // not outlive its thread.
  ~CHttpDownload();
  CHttpDownload(const CHttpDownload&) = delete;
  CHttpDownload& operator=(const CHttpDownload&) = delete;

  // Copies the parameters and resets the per-attempt state. Call before
  // every Start, never while a transfer runs. Returns 1. There is no login
  // dialog: askProxyLogin and askServerLogin are accepted and ignored, so an
  // unanswered challenge fails the attempt.
  int SetParams(IMessageTarget* notifyWnd, const std::string& url, const std::string& localPath,
                const std::string& proxy, const std::string& proxyUser, const std::string& proxyPassword,
                const std::string& user, const std::string& password, int accessType, bool failIfExists,
                bool askProxyLogin, bool askServerLogin, double maxBytesPerMs, uint32_t resumeOffset);
  // The plain form: url to localPath from its start, the proxy settings of
  // the environment, no credentials, no bandwidth cap, an existing file
  // replaced once the whole body is there.
  int SetParams(IMessageTarget* notifyWnd, const std::string& url, const std::string& localPath);
  // Empty when the transfer was started (with inCallingThread: has run to
  // its end); otherwise an error text, and nothing was started or posted.
  std::string Start(bool inCallingThread);
  // Changes the stall bounds (default kStallBytesPerSecond over
  // kStallSeconds) for the transfers started after it; tests shorten the
  // window.
  void SetStallBounds(long bytesPerSecond, long seconds);
  // Asks a running transfer to stop and waits for it (bounded, see
  // kStopWaitMs). Call on WM_DOWNLOAD_FINISHED and before destruction.
  void Stop();
  // Stop request without waiting, from any thread; ignored once finished.
  // The attempt then ends with DownloadAborted at the worker's next check.
  void RequestAbort();

  // Outcome code of the last attempt once it has ended (the wParam its
  // WM_DOWNLOAD_FINISHED carried); -1 while none has ended or when the
  // attempt ended without a message. A caller of Start(true) reads its own
  // outcome here instead of waiting for its window to handle the message.
  int LastOutcome() const { return m_lastOutcome.load(std::memory_order_acquire); }

  // The URL as fetched ("http://" put in front when the given one did not parse).
  const std::string& Url() const { return m_url; }
  uint32_t ServiceType() const { return m_serviceType; }
  const std::string& Host() const { return m_host; }
  const std::string& ObjectPath() const { return m_path; }
  uint16_t Port() const { return m_port; }

 private:
  struct TransferState;
  friend struct TransferCallbacks;

  enum class UrlParse { kHttp, kOtherScheme, kUnparsable };
  // Fills m_serviceType, m_host, m_port, m_path and m_requestUrl on kHttp.
  UrlParse ParseUrl(const std::string& url);
  // The whole transfer; the body of the worker.
  void Transfer();
  void Post(uint32_t msg, WPARAM wParam, LPARAM lParam);
  // Ends the attempt: the new local file is discarded unless it was
  // committed (an existing file at the local path stays as it was), then
  // WM_DOWNLOAD_FINISHED (outcome, code) is posted as the last act.
  void EndAttempt(int outcome, long code = 0);
  void CloseFile();
  bool AbortRequested() const { return m_abortRequested.load(std::memory_order_acquire); }
  // Body handling of the transfer, called by the libcurl callbacks.
  bool AcceptResponse(TransferState& state, long status);
  size_t OnBody(TransferState& state, const char* data, size_t size);
  void SleepForCap(const TransferState& state);
  // Posts the percentage and speed messages after a block.
  void OnProgress(TransferState& state);

  IMessageTarget* m_notifyWnd = nullptr;
  std::string m_url;
  std::string m_localPath;
  std::string m_proxy;
  std::string m_proxyUser;
  std::string m_proxyPassword;
  std::string m_user;
  std::string m_password;
  int m_accessType = kAccessPreconfig;
  bool m_failIfExists = false;
  double m_maxBytesPerMs = 0.0;
  uint32_t m_resumeOffset = 0;
  long m_stallBytesPerSecond = kStallBytesPerSecond;
  long m_stallSeconds = kStallSeconds;
  std::string m_host;
  uint32_t m_serviceType = 0;
  std::string m_path;
  uint16_t m_port = 0;
  std::string m_requestUrl;  // m_url as libcurl normalised it
  std::atomic<bool> m_abortRequested{false};
  std::atomic<bool> m_finished{false};
  std::atomic<int> m_lastOutcome{-1};
  // True from Start until the transfer has ended (the worker's last message
  // is then on its way); Start refuses a second transfer while it is set.
  std::atomic<bool> m_running{false};
  // The body's new file, open from Start until the outcome; it takes the
  // local path's place only when the whole body arrived.
  CDownloadFile m_file;
  std::thread m_worker;  // the own worker of Start(false); joined by Stop
};

}  // namespace brindle
