#include "online/http_download.h"

#ifdef _WIN32
// curl's headers bring in <windows.h>; this takes it first, without its
// macros that rename our own PostMessage.
#include "core/windows/windows_api.h"
#endif
#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <system_error>

#include "online/url_check.h"

namespace brindle {

namespace {

// Sent as User-Agent: the application title.
constexpr const char* kUserAgent = "Update";
// Size of libcurl's receive buffer. The body is still handled in
// kDownloadBlockSize blocks; a larger receive buffer only saves system calls.
constexpr long kReceiveBufferBytes = 512 * 1024;
// Slice of a bandwidth-cap sleep, so a stop request is seen while sleeping.
constexpr uint32_t kCapSleepSliceMs = 50;
constexpr long kMaxRedirects = 10;

// Milliseconds of a monotonic clock, cut to 32 bits. Every use subtracts two
// readings as unsigned numbers, which stays right when the count wraps.
uint32_t TickCount() {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string Format(const char* format, const std::string& text) {
  const int n = std::snprintf(nullptr, 0, format, text.c_str());
  if (n <= 0) return {};
  std::string result(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(result.data(), result.size(), format, text.c_str());
  result.pop_back();
  return result;
}

std::string Format(const char* format, int value) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

bool WriteAll(int fd, const char* data, size_t size, int& error) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

struct CurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct CurlUrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct CurlTextDeleter {
  void operator()(char* text) const { curl_free(text); }
};
using CurlText = std::unique_ptr<char, CurlTextDeleter>;

CurlText UrlPart(CURLU* url, CURLUPart part, unsigned flags = 0) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, flags) != CURLUE_OK) return CurlText();
  return CurlText(text);
}

bool IsAccepted(long status) { return status == 200 || status == 206; }

bool StartsWithIgnoringCase(const char* data, size_t size, const char* lower) {
  for (size_t i = 0; lower[i] != '\0'; ++i) {
    if (i >= size) return false;
    char c = data[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[i]) return false;
  }
  return true;
}

// The value of a Content-Length header line: digits only between optional
// blanks, and small enough for a file offset. False for anything else (a
// negative, rubbish or overflowing length cannot be read).
bool ParseContentLength(const char* data, size_t size, uint64_t& length) {
  constexpr size_t kNameLength = sizeof("content-length:") - 1;
  size_t i = kNameLength;
  while (size > i && (data[size - 1] == '\r' || data[size - 1] == '\n' || data[size - 1] == ' ' ||
                      data[size - 1] == '\t'))
    --size;
  while (i < size && (data[i] == ' ' || data[i] == '\t')) ++i;
  if (i == size) return false;
  constexpr uint64_t kMax = static_cast<uint64_t>(INT64_MAX);
  uint64_t value = 0;
  for (; i < size; ++i) {
    if (data[i] < '0' || data[i] > '9') return false;
    const uint64_t digit = static_cast<uint64_t>(data[i] - '0');
    if (value > (kMax - digit) / 10) return false;
    value = value * 10 + digit;
  }
  length = value;
  return true;
}

}  // namespace

const char* DownloadOutcomeName(int outcome) {
  switch (outcome) {
    case DownloadOk: return "DownloadOk";
    case DownloadErrorInternet: return "DownloadErrorInternet";
    case DownloadErrorRequest: return "DownloadErrorRequest";
    case DownloadErrorTransfer: return "DownloadErrorTransfer";
    case DownloadErrorStatusQuery: return "DownloadErrorStatusQuery";
    case DownloadErrorHttpStatus: return "DownloadErrorHttpStatus";
    case DownloadAborted: return "DownloadAborted";
    default: return "unknown";
  }
}

// What one Transfer learns while libcurl runs it.
struct CHttpDownload::TransferState {
  CURL* curl = nullptr;
  long status = 0;               // status of the last complete header block
  bool accepted = false;         // a 200 or 206 arrived and WM_DOWNLOAD_SIZE is posted
  bool aborted = false;          // an abort check found the request
  bool redirectRefused = false;  // a redirect to a URL that may not be fetched
  std::string lastUrl;           // URL of the last request sent
  bool lengthSeen = false;       // this header block has a Content-Length
  bool lengthBad = false;        // ... that cannot be read, or two that differ
  uint64_t headerLength = 0;
  int failStage = 0;  // set when a callback ended the transfer for a reason of its own
  long failCode = 0;
  bool haveLength = false;
  uint64_t contentLength = 0;
  uint32_t startTick = 0;
  uint32_t lastSpeedTick = 0;
  uint64_t bytesSoFar = 0;
  uint64_t bytesAtLastSpeed = 0;
  uint32_t lastPercent = 0;
};

// libcurl's C callbacks, forwarding to the downloader.
struct TransferCallbacks {
  using State = CHttpDownload::TransferState;
  struct Context {
    CHttpDownload* self;
    State* state;
  };

  static int PreRequest(void* userData, char*, char*, int, int) {
    auto* c = static_cast<Context*>(userData);
    // Every request, the first and each redirect's, is checked before it is
    // sent: http or https only, and never from https back to http.
    char* url = nullptr;
    curl_easy_getinfo(c->state->curl, CURLINFO_EFFECTIVE_URL, &url);
    const std::string next = url ? url : "";
    if (!RedirectAllowed(c->state->lastUrl, next)) {
      c->state->redirectRefused = true;
      return CURL_PREREQFUNC_ABORT;
    }
    c->state->lastUrl = next;
    // The connection stands: a stop request ends the attempt before sending.
    if (c->self->AbortRequested()) {
      c->state->aborted = true;
      return CURL_PREREQFUNC_ABORT;
    }
    return CURL_PREREQFUNC_OK;
  }

  static size_t Header(char* data, size_t, size_t size, void* userData) {
    auto* c = static_cast<Context*>(userData);
    State& s = *c->state;
    const bool blankLine =
        (size == 2 && data[0] == '\r' && data[1] == '\n') || (size == 1 && data[0] == '\n');
    if (s.accepted) return size;
    if (StartsWithIgnoringCase(data, size, "http/")) {
      s.lengthSeen = s.lengthBad = false;  // a new header block
    } else if (StartsWithIgnoringCase(data, size, "content-length:")) {
      uint64_t length = 0;
      if (!ParseContentLength(data, size, length) || (s.lengthSeen && length != s.headerLength))
        s.lengthBad = true;
      s.lengthSeen = true;
      s.headerLength = length;
    }
    if (!blankLine) return size;
    long status = 0;
    curl_easy_getinfo(s.curl, CURLINFO_RESPONSE_CODE, &status);
    s.status = status;
    // Redirects, 1xx and answered login challenges are followed by another
    // header block; only a 200 or 206 is taken here.
    if (!IsAccepted(status)) return size;
    if (s.lengthBad) {
      // Without a length it can trust, the transfer cannot tell a whole
      // body from a cut one.
      s.failStage = DownloadErrorTransfer;
      s.failCode = CURLE_WEIRD_SERVER_REPLY;
      return 0;
    }
    return c->self->AcceptResponse(s, status) ? size : 0;
  }

  static size_t Body(char* data, size_t, size_t size, void* userData) {
    auto* c = static_cast<Context*>(userData);
    // Bodies of responses that are not taken (an unanswered 401, a 404 page)
    // are drained and dropped.
    if (!c->state->accepted) return size;
    return c->self->OnBody(*c->state, data, size);
  }

  static int Progress(void* userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* c = static_cast<Context*>(userData);
    // Called at least about once a second also while nothing arrives, which
    // bounds the time a stop request waits.
    if (c->self->AbortRequested()) {
      c->state->aborted = true;
      return 1;
    }
    return 0;
  }
};

CHttpDownload::CHttpDownload() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CHttpDownload::~CHttpDownload() {
  Stop();
  CloseFile();
}

int CHttpDownload::SetParams(IMessageTarget* notifyWnd, const std::string& url, const std::string& localPath,
                             const std::string& proxy, const std::string& proxyUser,
                             const std::string& proxyPassword, const std::string& user,
                             const std::string& password, int accessType, bool failIfExists,
                             bool askProxyLogin, bool askServerLogin, double maxBytesPerMs,
                             uint32_t resumeOffset) {
  (void)askProxyLogin;
  (void)askServerLogin;
  m_notifyWnd = notifyWnd;
  m_url = url;
  m_localPath = localPath;
  m_proxy = proxy;
  m_proxyUser = proxyUser;
  m_proxyPassword = proxyPassword;
  m_user = user;
  m_password = password;
  m_accessType = accessType;
  m_failIfExists = failIfExists;
  m_maxBytesPerMs = maxBytesPerMs;
  m_resumeOffset = resumeOffset;
  m_abortRequested.store(false, std::memory_order_release);
  m_finished.store(false, std::memory_order_release);
  m_lastOutcome.store(-1, std::memory_order_release);
  m_serviceType = 0;
  return 1;
}

int CHttpDownload::SetParams(IMessageTarget* notifyWnd, const std::string& url,
                             const std::string& localPath) {
  return SetParams(notifyWnd, url, localPath, "", "", "", "", "", kAccessPreconfig, false, false, false, 0.0,
                   0);
}

void CHttpDownload::SetStallBounds(long bytesPerSecond, long seconds) {
  m_stallBytesPerSecond = bytesPerSecond;
  m_stallSeconds = seconds;
}

CHttpDownload::UrlParse CHttpDownload::ParseUrl(const std::string& url) {
  std::unique_ptr<CURLU, CurlUrlDeleter> parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
    return UrlParse::kUnparsable;
  const CurlText scheme = UrlPart(parsed.get(), CURLUPART_SCHEME);
  const CurlText host = UrlPart(parsed.get(), CURLUPART_HOST);
  const CurlText port = UrlPart(parsed.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
  const CurlText path = UrlPart(parsed.get(), CURLUPART_PATH);
  const CurlText query = UrlPart(parsed.get(), CURLUPART_QUERY);
  if (!scheme || !host || !port || !path) return UrlParse::kUnparsable;
  const std::string schemeText = scheme.get();
  if (schemeText != "http" && schemeText != "https") return UrlParse::kOtherScheme;
  const unsigned long portNumber = std::strtoul(port.get(), nullptr, 10);
  if (portNumber == 0 || portNumber > 65535) return UrlParse::kUnparsable;
  m_serviceType = schemeText == "https" ? kServiceHttps : kServiceHttp;
  m_host = host.get();
  m_port = static_cast<uint16_t>(portNumber);
  m_path = path.get();
  if (query) m_path += std::string("?") + query.get();
  const CurlText whole = UrlPart(parsed.get(), CURLUPART_URL);
  if (!whole) return UrlParse::kUnparsable;
  m_requestUrl = whole.get();
  return UrlParse::kHttp;
}

std::string CHttpDownload::Start(bool inCallingThread) {
  // A worker of an earlier attempt that the owner never stopped has ended
  // (it posted its outcome); its thread object is released here.
  if (m_worker.joinable() && !m_running.load(std::memory_order_acquire)) m_worker.join();
  if (m_running.load(std::memory_order_acquire)) return "A download is already running.";

  // The scheme is judged before anything else: "file:/x" or "ftp://x" is
  // refused as it stands and never completed into an http URL.
  switch (SchemeOf(m_url)) {
    case UrlScheme::kOther: return Format("Failed to parse the URL: %s\n", m_url);
    case UrlScheme::kNone: m_url = "http://" + m_url; break;
    case UrlScheme::kHttp:
    case UrlScheme::kHttps: break;
  }
  if (ParseUrl(m_url) != UrlParse::kHttp) return Format("Failed to parse the URL: %s\n", m_url);
  // Only a regular file is ever replaced: a symbolic link, folder, FIFO or
  // device at the local path is not Brindle's to overwrite or wait on.
  int error = 0;
  const TargetKind target = DownloadTargetKind(m_localPath, error);
  if (error != 0) return Format("An error occured while opening the file to be downloaded, Error:%d", error);
  if (target == TargetKind::kOther)
    return Format("The file '%s' is not a regular file; it is left as it is.", m_localPath);
  if (target == TargetKind::kRegular && m_resumeOffset == 0 && m_failIfExists)
    return Format("The file '%s' already exists.", m_localPath);

  CloseFile();
  RemoveStaleDownloadParts(m_localPath);
  error = m_file.Create(m_localPath);
  if (error != 0) return Format("An error occured while opening the file to be downloaded, Error:%d", error);
  error = m_file.StartWith(target == TargetKind::kRegular ? m_localPath : std::string(), m_resumeOffset);
  if (error != 0) {
    CloseFile();
    return Format("An error occurred while seeking to the end of the file to be downloaded, Error:%d", error);
  }

  m_running.store(true, std::memory_order_release);
  if (inCallingThread) {
    Transfer();
    return {};
  }
  try {
    m_worker = std::thread([this] { Transfer(); });
  } catch (const std::system_error&) {
    m_running.store(false, std::memory_order_release);
    CloseFile();
    return "Failed to create download thread, dialog is aborting\n";
  }
  return {};
}

void CHttpDownload::RequestAbort() {
  if (!m_finished.load(std::memory_order_acquire)) m_abortRequested.store(true, std::memory_order_release);
}

void CHttpDownload::Stop() {
  RequestAbort();
  const uint32_t start = TickCount();
  while (m_running.load(std::memory_order_acquire) &&
         TickCount() - start < static_cast<uint32_t>(kStopWaitMs))
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  // Our own worker is joined even after the wait: it leaves at its next
  // abort check, and its thread object must not outlive it. A transfer in
  // the caller's thread (Start(true)) belongs to that thread, which waits
  // for its own end.
  if (m_worker.joinable()) m_worker.join();
}

void CHttpDownload::CloseFile() { m_file.Discard(); }

void CHttpDownload::Post(uint32_t msg, WPARAM wParam, LPARAM lParam) {
  if (m_notifyWnd) m_notifyWnd->PostMessage(msg, wParam, lParam);
}

void CHttpDownload::EndAttempt(int outcome, long code) {
  CloseFile();  // a partial body is never kept; the local path is untouched
  m_lastOutcome.store(outcome, std::memory_order_release);
  m_finished.store(true, std::memory_order_release);
  m_running.store(false, std::memory_order_release);
  // The owner may stop and destroy this object as soon as the message is
  // posted: nothing touches a member after it.
  IMessageTarget* target = m_notifyWnd;
  if (target)
    target->PostMessage(WM_DOWNLOAD_FINISHED, static_cast<WPARAM>(outcome), static_cast<LPARAM>(code));
}

bool CHttpDownload::AcceptResponse(TransferState& s, long status) {
  if (status == 200 && m_resumeOffset > 0) {
    // The server ignored the Range header and sends the whole resource:
    // appending it at the offset would corrupt the file, so it restarts at 0.
    if (ftruncate(m_file.Fd(), 0) != 0 || lseek(m_file.Fd(), 0, SEEK_SET) < 0) {
      s.failStage = DownloadErrorTransfer;
      s.failCode = errno;
      return false;
    }
    m_resumeOffset = 0;
  }
  s.accepted = true;
  curl_off_t length = -1;
  if (curl_easy_getinfo(s.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length >= 0) {
    s.haveLength = true;
    s.contentLength = static_cast<uint64_t>(length);
  }
  Post(WM_DOWNLOAD_SIZE, static_cast<WPARAM>(s.contentLength), static_cast<LPARAM>(m_resumeOffset));
  s.startTick = s.lastSpeedTick = TickCount();
  s.bytesSoFar = s.bytesAtLastSpeed = 0;
  s.lastPercent = 0;
  if (AbortRequested()) {
    s.aborted = true;
    return false;
  }
  return true;
}

void CHttpDownload::SleepForCap(const TransferState& s) {
  if (m_maxBytesPerMs <= 0.0 || s.bytesSoFar == 0) return;
  const uint32_t elapsed = TickCount() - s.startTick;
  const double rate = elapsed == 0 ? 1e300 : static_cast<double>(s.bytesSoFar) / elapsed;
  if (rate <= m_maxBytesPerMs) return;
  const double wait = static_cast<double>(s.bytesSoFar) / m_maxBytesPerMs - elapsed;
  const uint32_t until = TickCount() + static_cast<uint32_t>(wait > 0 ? wait : 0);
  while (!AbortRequested() && static_cast<int32_t>(until - TickCount()) > 0) {
    const uint32_t left = until - TickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(left < kCapSleepSliceMs ? left : kCapSleepSliceMs));
  }
}

size_t CHttpDownload::OnBody(TransferState& s, const char* data, size_t size) {
  // What libcurl hands over goes to the file in one write; abort checks,
  // progress and the cap still work per kDownloadBlockSize block. Writing
  // each block on its own halves the throughput for no gain: the file holds
  // a correct prefix of the body either way.
  int error = 0;
  if (!WriteAll(m_file.Fd(), data, size, error)) {
    s.failStage = DownloadErrorTransfer;
    s.failCode = error;
    return 0;
  }
  for (size_t done = 0; done < size;) {
    const size_t n = size - done < kDownloadBlockSize ? size - done : kDownloadBlockSize;
    SleepForCap(s);
    done += n;
    s.bytesSoFar += n;
    OnProgress(s);
    if (AbortRequested()) {
      s.aborted = true;
      return 0;
    }
  }
  return size;
}

void CHttpDownload::OnProgress(TransferState& s) {
  if (s.haveLength) {
    const uint64_t total = m_resumeOffset + s.contentLength;
    if (total > 0) {
      const double share = static_cast<double>(m_resumeOffset + s.bytesSoFar) * 100.0 / total;
      const uint32_t percent = static_cast<uint32_t>(share < 100.0 ? share : 100.0);
      if (percent != s.lastPercent) {
        Post(WM_DOWNLOAD_PERCENT, percent, 0);
        s.lastPercent = percent;
      }
    }
  }
  const uint32_t now = TickCount();
  if (now - s.lastSpeedTick > 1000) {
    const double kbPerSecond = (static_cast<double>(s.bytesSoFar - s.bytesAtLastSpeed) / 1024.0) /
                               ((now - s.lastSpeedTick) / 1000.0);
    s.lastSpeedTick = now;
    s.bytesAtLastSpeed = s.bytesSoFar;
    const uint64_t code = static_cast<uint64_t>(kbPerSecond * 100000.0);
    Post(WM_DOWNLOAD_SPEED, static_cast<uint32_t>(code), static_cast<LPARAM>(s.bytesSoFar));
  }
}

void CHttpDownload::Transfer() {
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl || m_accessType < kAccessPreconfig || m_accessType > kAccessProxy) {
    return EndAttempt(DownloadErrorInternet, curl ? CURLE_BAD_FUNCTION_ARGUMENT : CURLE_FAILED_INIT);
  }
  if (AbortRequested()) return EndAttempt(DownloadAborted);

  TransferState state;
  state.curl = curl.get();
  TransferCallbacks::Context context{this, &state};
  std::unique_ptr<curl_slist, CurlListDeleter> headers;
  const auto addHeader = [&headers](const std::string& line) {
    curl_slist* grown = curl_slist_append(headers.get(), line.c_str());
    if (grown) {
      headers.release();
      headers.reset(grown);
    }
    return grown != nullptr;
  };
  // Always fetched from the origin, never from a cache; one connection kept.
  bool ok = addHeader("Cache-Control: no-cache") && addHeader("Pragma: no-cache") &&
            addHeader("Connection: Keep-Alive");
  if (ok && m_resumeOffset != 0) ok = addHeader("Range: bytes=" + std::to_string(m_resumeOffset) + "-");

  CURL* h = curl.get();
  CURLcode setup = ok ? CURLE_OK : CURLE_OUT_OF_MEMORY;
  const auto set = [&setup](CURLcode rc) {
    if (setup == CURLE_OK) setup = rc;
  };
  set(curl_easy_setopt(h, CURLOPT_URL, m_requestUrl.c_str()));
  set(curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https"));
  // libcurl refuses other schemes itself; PreRequest also keeps https from
  // going back to http further down a chain of redirects.
  set(curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR,
                       m_serviceType == kServiceHttps ? "https" : "http,https"));
  set(curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L));
  set(curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects));
  set(curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)));
  set(curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent));
  set(curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get()));
  set(curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L));
  set(curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReceiveBufferBytes));
  set(curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs));
  // A bandwidth cap below the stall limit must not make its own transfer
  // count as stalled.
  long stallLimit = m_stallBytesPerSecond;
  if (m_maxBytesPerMs > 0.0 && m_maxBytesPerMs * 1000.0 / 2 < static_cast<double>(stallLimit))
    stallLimit = static_cast<long>(m_maxBytesPerMs * 1000.0 / 2);
  set(curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, stallLimit > 0 ? stallLimit : 1L));
  set(curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, m_stallSeconds));
  // Certificates are verified (libcurl's default, stated so it never slips):
  // an unverified server could hand the device any database it likes.
  set(curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L));
  set(curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L));
  if (m_accessType == kAccessDirect) {
    set(curl_easy_setopt(h, CURLOPT_PROXY, ""));  // also overrides the environment
  } else if (m_accessType == kAccessProxy) {
    set(curl_easy_setopt(h, CURLOPT_PROXY, m_proxy.c_str()));
    set(curl_easy_setopt(h, CURLOPT_NOPROXY, ""));  // no bypass list
  }  // kAccessPreconfig: libcurl reads http_proxy, https_proxy, all_proxy, no_proxy
  // The proxy's "200 Connection established" for an HTTPS tunnel must not be
  // taken for the server's answer.
  set(curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L));
  if (!m_user.empty()) {
    set(curl_easy_setopt(h, CURLOPT_USERNAME, m_user.c_str()));
    set(curl_easy_setopt(h, CURLOPT_PASSWORD, m_password.c_str()));
    set(curl_easy_setopt(h, CURLOPT_HTTPAUTH, CURLAUTH_ANY));
  }
  if (!m_proxyUser.empty()) {
    set(curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, m_proxyUser.c_str()));
    set(curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, m_proxyPassword.c_str()));
    set(curl_easy_setopt(h, CURLOPT_PROXYAUTH, CURLAUTH_ANY));
  }
  set(curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &TransferCallbacks::PreRequest));
  set(curl_easy_setopt(h, CURLOPT_PREREQDATA, &context));
  set(curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &TransferCallbacks::Header));
  set(curl_easy_setopt(h, CURLOPT_HEADERDATA, &context));
  set(curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &TransferCallbacks::Body));
  set(curl_easy_setopt(h, CURLOPT_WRITEDATA, &context));
  set(curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &TransferCallbacks::Progress));
  set(curl_easy_setopt(h, CURLOPT_XFERINFODATA, &context));
  set(curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L));
  if (setup != CURLE_OK) {
    return EndAttempt(DownloadErrorInternet, setup);
  }
  if (AbortRequested()) return EndAttempt(DownloadAborted);

  const CURLcode rc = curl_easy_perform(h);
  if (state.redirectRefused) return EndAttempt(DownloadErrorRequest, CURLE_UNSUPPORTED_PROTOCOL);
  if (state.aborted || rc == CURLE_ABORTED_BY_CALLBACK) return EndAttempt(DownloadAborted);
  if (state.failStage != 0) return EndAttempt(state.failStage, state.failCode);
  // A redirect that may not be followed; a libcurl without the file
  // protocol (the Windows build) finds a file: URL malformed instead.
  if (state.status >= 300 && state.status < 400 &&
      (rc == CURLE_UNSUPPORTED_PROTOCOL || rc == CURLE_TOO_MANY_REDIRECTS || rc == CURLE_URL_MALFORMAT))
    return EndAttempt(DownloadErrorRequest, rc);
  if (rc == CURLE_WEIRD_SERVER_REPLY) {
    // libcurl itself rejects some unreadable lengths before the header
    // block ends; after an accepted status that is a failed transfer.
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (IsAccepted(status)) return EndAttempt(DownloadErrorTransfer, rc);
  }
  if (rc != CURLE_OK) {
    if (state.accepted) return EndAttempt(DownloadErrorTransfer, rc);
    // The status was read before the body failed: the status decides.
    if (state.status >= 200 && !IsAccepted(state.status))
      return EndAttempt(DownloadErrorHttpStatus, state.status);
    if (rc == CURLE_WEIRD_SERVER_REPLY || rc == CURLE_UNSUPPORTED_PROTOCOL)
      return EndAttempt(DownloadErrorStatusQuery, rc);
    return EndAttempt(DownloadErrorRequest, rc);
  }
  if (!state.accepted) {
    // A 401 or 407 that no credentials answered ends here too, with its
    // status, rather than as an empty success.
    long status = state.status;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (status == 0) return EndAttempt(DownloadErrorStatusQuery, 0);
    return EndAttempt(DownloadErrorHttpStatus, status);
  }
  if (AbortRequested()) return EndAttempt(DownloadAborted);
  const int error = m_file.Commit();
  if (error != 0) return EndAttempt(DownloadErrorTransfer, error);
  EndAttempt(DownloadOk);
}

}  // namespace brindle
