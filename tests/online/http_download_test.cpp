// CHttpDownload against a scripted HTTP server on 127.0.0.1.
#include "online/http_download.h"
#include "read_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "environment.h"
#include "message_recorder.h"
#include "online/loopback_http_server.h"
#include "online/process_runner.h"
#include "temp_dir.h"

namespace brindle {
namespace {

using test::CLoopbackHttpServer;
using test::CMessageRecorder;
using test::MakeResponse;
using test::ReceivedRequest;
using test::RecordedMessage;
using test::ScriptedResponse;

std::string MakeBody(size_t size) {
  std::string body(size, '\0');
  for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
  return body;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

std::string Base64(const std::string& text) {
  static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < text.size(); i += 3) {
    uint32_t v = static_cast<uint8_t>(text[i]) << 16;
    if (i + 1 < text.size()) v |= static_cast<uint8_t>(text[i + 1]) << 8;
    if (i + 2 < text.size()) v |= static_cast<uint8_t>(text[i + 2]);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < text.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += i + 2 < text.size() ? kAlphabet[v & 63] : '=';
  }
  return out;
}

struct Options {
  std::string proxy, proxyUser, proxyPassword, user, password;
  int accessType = kAccessPreconfig;
  bool failIfExists = false;
  double maxBytesPerMs = 0.0;
  uint32_t resumeOffset = 0;
};

class HttpDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The machine's own proxy settings must not reach the loopback server.
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"})
      test::UnsetEnvironment(name);
    ASSERT_TRUE(m_server.Started());
    m_local = m_dir.Path() + "/download.bin";
  }

  // Starts a download in the downloader's own thread and waits for its outcome.
  RecordedMessage Fetch(const std::string& url, const Options& o = {}) {
    m_download.SetParams(&m_recorder, url, m_local, o.proxy, o.proxyUser, o.proxyPassword, o.user, o.password,
                         o.accessType, o.failIfExists, false, false, o.maxBytesPerMs, o.resumeOffset);
    const std::string error = m_download.Start(false);
    EXPECT_EQ(error, "");
    if (!error.empty()) return {0, 99, 0};
    EXPECT_TRUE(m_recorder.WaitFor(WM_DOWNLOAD_FINISHED));
    m_download.Stop();
    return Finished();
  }

  RecordedMessage Finished() {
    const auto all = m_recorder.All();
    EXPECT_FALSE(all.empty());
    if (all.empty()) return {0, 99, 0};
    EXPECT_EQ(all.back().msg, WM_DOWNLOAD_FINISHED) << "the outcome is the last message";
    EXPECT_EQ(m_recorder.Only(WM_DOWNLOAD_FINISHED).size(), 1u);
    return all.back();
  }

  test::CTempDir m_dir;
  std::string m_local;
  CLoopbackHttpServer m_server;
  CMessageRecorder m_recorder;
  CHttpDownload m_download;
};

TEST_F(HttpDownloadTest, WholeBodyWithLengthPostsSizePercentsAndOutcomeInOrder) {
  const std::string body = MakeBody(10000);
  m_server.Serve("/file.bin", MakeResponse("200 OK", body));
  const auto done = Fetch(m_server.Url("/file.bin"));
  EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadOk));
  EXPECT_EQ(done.lParam, 0);
  EXPECT_EQ(test::ReadWholeFile(m_local), body);

  const auto all = m_recorder.All();
  ASSERT_GE(all.size(), 3u);
  EXPECT_EQ(all[0].msg, WM_DOWNLOAD_SIZE);
  EXPECT_EQ(all[0].wParam, 10000u);
  EXPECT_EQ(all[0].lParam, 0);
  const auto percents = m_recorder.Only(WM_DOWNLOAD_PERCENT);
  ASSERT_FALSE(percents.empty());
  EXPECT_GE(percents.front().wParam, 1u);
  for (size_t i = 1; i < percents.size(); ++i) EXPECT_GT(percents[i].wParam, percents[i - 1].wParam);
  EXPECT_EQ(percents.back().wParam, 100u);
  EXPECT_TRUE(m_recorder.Only(WM_DOWNLOAD_SPEED).empty()) << "a transfer under a second posts no speed";

  const auto requests = m_server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].requestLine, "GET /file.bin HTTP/1.1");
  auto h = requests[0].headers;
  EXPECT_EQ(h["user-agent"], "Update");
  EXPECT_EQ(h["accept"], "*/*");
  EXPECT_EQ(h["cache-control"], "no-cache");
  EXPECT_EQ(h["pragma"], "no-cache");
  EXPECT_EQ(h.count("range"), 0u);
}

TEST_F(HttpDownloadTest, BodyWithoutLengthPostsSizeZeroAndNoPercent) {
  const std::string body = MakeBody(5000);
  m_server.Serve("/nolength", MakeResponse("200 OK", body, false));
  const auto done = Fetch(m_server.Url("/nolength"));
  EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadOk));
  EXPECT_EQ(test::ReadWholeFile(m_local), body);
  const auto sizes = m_recorder.Only(WM_DOWNLOAD_SIZE);
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(sizes[0].wParam, 0u);
  EXPECT_TRUE(m_recorder.Only(WM_DOWNLOAD_PERCENT).empty());
}

TEST_F(HttpDownloadTest, EmptyBodyEndsOkWithEmptyFile) {
  m_server.Serve("/empty", MakeResponse("200 OK", ""));
  const auto done = Fetch(m_server.Url("/empty"));
  EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadOk));
  EXPECT_TRUE(Exists(m_local));
  EXPECT_EQ(test::ReadWholeFile(m_local), "");
  EXPECT_EQ(m_recorder.Only(WM_DOWNLOAD_SIZE).size(), 1u);
}

// Resume: the local file is cut or extended to the offset, the request asks
// for the rest, a 206 answer is appended and percentages count the offset.
TEST_F(HttpDownloadTest, ResumeOffsetSendsRangeAndAppends) {
  const std::string body = MakeBody(10000);
  constexpr uint32_t kOffset = 2000;
  m_server.SetResponder([&](const ReceivedRequest& r) {
    const auto it = r.headers.find("range");
    if (it == r.headers.end() || it->second != "bytes=2000-") return MakeResponse("200 OK", body);
    return MakeResponse("206 Partial Content", body.substr(kOffset), true,
                        "Content-Range: bytes 2000-9999/10000\r\n");
  });
  struct Case {
    size_t existing;
  };
  for (const Case c : {Case{3000}, Case{1000}}) {
    SCOPED_TRACE(c.existing);
    const std::string old = std::string(c.existing, 'x');
    WriteFile(m_local, old);
    m_recorder.Clear();
    Options o;
    o.resumeOffset = kOffset;
    o.failIfExists = true;  // ignored with an offset
    const auto done = Fetch(m_server.Url("/resume"), o);
    EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadOk));
    std::string expected = old.substr(0, std::min<size_t>(c.existing, kOffset));
    expected.resize(kOffset, '\0');
    expected += body.substr(kOffset);
    EXPECT_EQ(test::ReadWholeFile(m_local), expected);
    const auto sizes = m_recorder.Only(WM_DOWNLOAD_SIZE);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0].wParam, 8000u);
    EXPECT_EQ(sizes[0].lParam, static_cast<LPARAM>(kOffset));
    const auto percents = m_recorder.Only(WM_DOWNLOAD_PERCENT);
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.front().wParam, 30u) << "(2000 + 1024) * 100 / 10000";
    EXPECT_EQ(percents.back().wParam, 100u);
  }
  const auto requests = m_server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].headers.at("range"), "bytes=2000-");
}

TEST_F(HttpDownloadTest, ResumeAnsweredWithWholeBodyRestartsTheFile) {
  const std::string body = MakeBody(6000);
  m_server.Serve("/whole", MakeResponse("200 OK", body));
  WriteFile(m_local, std::string(3000, 'x'));
  Options o;
  o.resumeOffset = 3000;
  const auto done = Fetch(m_server.Url("/whole"), o);
  EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadOk));
  EXPECT_EQ(test::ReadWholeFile(m_local), body);
  ASSERT_EQ(m_recorder.Only(WM_DOWNLOAD_SIZE).size(), 1u);
  EXPECT_EQ(m_recorder.Only(WM_DOWNLOAD_SIZE)[0].lParam, 0);
}

// Statuses other than 200 and 206 end as outcome 5 with the status, and no
// file is left behind (not even one that existed before).
TEST_F(HttpDownloadTest, RefusedStatusEndsWithStatusAndNoFile) {
  struct Case {
    const char* status;
    const char* headers;
    long code;
  };
  const Case cases[] = {
      {"404 Not Found", "", 404},
      {"401 Unauthorized", "WWW-Authenticate: Basic realm=\"db\"\r\n", 401},
      {"500 Internal Server Error", "", 500},
      {"302 Found", "", 302},  // a redirect without a Location is an answer of its own
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    m_server.Serve("/refused", MakeResponse(c.status, "<html>refused</html>", true, c.headers));
    WriteFile(m_local, "older file");
    m_recorder.Clear();
    const auto done = Fetch(m_server.Url("/refused"));
    EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadErrorHttpStatus));
    EXPECT_EQ(done.lParam, c.code);
    EXPECT_EQ(test::ReadWholeFile(m_local), "older file") << "a failure leaves the file as it was";
    EXPECT_TRUE(m_recorder.Only(WM_DOWNLOAD_SIZE).empty());
  }
}

TEST_F(HttpDownloadTest, BrokenTransfersFailAndLeaveNoFile) {
  const std::string body = MakeBody(50000);
  struct Case {
    const char* name;
    ScriptedResponse response;
    int outcome;
  };
  auto reset = MakeResponse("200 OK", body);
  reset.sendBytes = 20000;
  reset.resetAtEnd = true;
  auto truncated = MakeResponse("200 OK", body);
  truncated.sendBytes = 20000;
  ScriptedResponse silent;
  silent.resetAtEnd = true;
  ScriptedResponse garbage;
  garbage.head = "SSH-2.0-OpenSSH\r\n";
  const Case cases[] = {
      {"reset in the body", reset, DownloadErrorTransfer},
      {"body shorter than its length", truncated, DownloadErrorTransfer},
      {"reset before any answer", silent, DownloadErrorRequest},
      {"no HTTP status line", garbage, DownloadErrorStatusQuery},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_server.Serve("/broken", c.response);
    m_recorder.Clear();
    std::remove(m_local.c_str());
    auto done = Fetch(m_server.Url("/broken"));
    EXPECT_EQ(done.wParam, static_cast<WPARAM>(c.outcome));
    EXPECT_NE(done.lParam, 0);
    EXPECT_FALSE(Exists(m_local));
    // An older file at the local path survives the failure untouched.
    WriteFile(m_local, "older file");
    m_recorder.Clear();
    done = Fetch(m_server.Url("/broken"));
    EXPECT_EQ(done.wParam, static_cast<WPARAM>(c.outcome));
    EXPECT_EQ(test::ReadWholeFile(m_local), "older file");
  }
}

TEST_F(HttpDownloadTest, ClosedPortFailsTheRequest) {
  int port = 0;
  {
    CLoopbackHttpServer gone;
    port = gone.Port();
  }
  const auto done = Fetch("http://127.0.0.1:" + std::to_string(port) + "/x");
  EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadErrorRequest));
  EXPECT_FALSE(Exists(m_local));
}

TEST_F(HttpDownloadTest, AbortBeforeFirstBlockEndsAborted) {
  auto slowHead = MakeResponse("200 OK", MakeBody(4000));
  slowHead.headDelayMs = 300;
  m_server.Serve("/slowhead", slowHead);
  m_download.SetParams(&m_recorder, m_server.Url("/slowhead"), m_local);
  ASSERT_EQ(m_download.Start(false), "");
  m_download.RequestAbort();
  ASSERT_TRUE(m_recorder.WaitFor(WM_DOWNLOAD_FINISHED));
  m_download.Stop();
  const auto done = Finished();
  EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadAborted));
  EXPECT_EQ(done.lParam, 0);
  EXPECT_TRUE(m_recorder.Only(WM_DOWNLOAD_PERCENT).empty());
}

TEST_F(HttpDownloadTest, StopDuringSlowBodyIsBoundedAndLeavesNoPartialFile) {
  WriteFile(m_local, "older file");
  auto slow = MakeResponse("200 OK", MakeBody(100 * 1024));
  slow.pieceBytes = 1024;
  slow.pauseMs = 100;  // about ten seconds in all
  m_server.Serve("/slow", slow);
  m_download.SetParams(&m_recorder, m_server.Url("/slow"), m_local);
  ASSERT_EQ(m_download.Start(false), "");
  ASSERT_TRUE(m_recorder.WaitFor(WM_DOWNLOAD_PERCENT));
  const auto before = std::chrono::steady_clock::now();
  m_download.Stop();
  const auto took = std::chrono::steady_clock::now() - before;
  EXPECT_LT(took, std::chrono::milliseconds(kStopWaitMs));
  ASSERT_TRUE(m_recorder.WaitFor(WM_DOWNLOAD_FINISHED, std::chrono::milliseconds(0)));
  EXPECT_EQ(Finished().wParam, static_cast<WPARAM>(DownloadAborted));
  EXPECT_EQ(test::ReadWholeFile(m_local), "older file");
}

TEST_F(HttpDownloadTest, SlowBodyPostsSpeedAboutOnceASecond) {
  constexpr size_t kTotal = 12 * 1024;
  auto slow = MakeResponse("200 OK", MakeBody(kTotal));
  slow.pieceBytes = 2048;
  slow.pauseMs = 500;  // 4 KiB/s for three seconds
  m_server.Serve("/slow", slow);
  const auto start = std::chrono::steady_clock::now();
  const auto done = Fetch(m_server.Url("/slow"));
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadOk));
  const auto speeds = m_recorder.Only(WM_DOWNLOAD_SPEED);
  ASSERT_FALSE(speeds.empty());
  EXPECT_LE(speeds.size(), static_cast<size_t>(seconds) + 1);
  LPARAM last = 0;
  for (const auto& s : speeds) {
    EXPECT_GT(s.lParam, last);
    EXPECT_LE(s.lParam, static_cast<LPARAM>(kTotal));
    last = s.lParam;
    // 4 KiB/s as sent; generous bounds for a loaded machine.
    EXPECT_GT(s.wParam, 100000u * 1);
    EXPECT_LT(s.wParam, 100000u * 40);
  }
}

TEST_F(HttpDownloadTest, UrlWithoutSchemeAndRedirectsAreFetched) {
  const std::string body = MakeBody(3000);
  m_server.Serve("/target", MakeResponse("200 OK", body));
  m_server.Serve("/moved", MakeResponse("302 Found", "", true, "Location: /target\r\n"));
  const std::string bare = "127.0.0.1:" + std::to_string(m_server.Port()) + "/moved";
  const auto done = Fetch(bare);
  EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadOk));
  EXPECT_EQ(m_download.Url(), "http://" + bare);
  EXPECT_EQ(test::ReadWholeFile(m_local), body);
}

TEST_F(HttpDownloadTest, HttpsUrlIsParsedIntoItsParts) {
  int port = 0;
  {
    CLoopbackHttpServer gone;
    port = gone.Port();
  }
  const auto done = Fetch("https://127.0.0.1:" + std::to_string(port) + "/a/b.zip?x=1&y=2#frag");
  EXPECT_EQ(m_download.ServiceType(), kServiceHttps);
  EXPECT_EQ(m_download.Host(), "127.0.0.1");
  EXPECT_EQ(m_download.Port(), port);
  EXPECT_EQ(m_download.ObjectPath(), "/a/b.zip?x=1&y=2");
  EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadErrorRequest));
  EXPECT_FALSE(Exists(m_local));
}

#ifndef _WIN32
bool CanConnect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}
#endif

// A TLS server whose certificate no authority signed is refused: the
// database must come from the server the URL names.
TEST_F(HttpDownloadTest, HttpsVerifiesTheCertificate) {
#ifdef _WIN32
  GTEST_SKIP() << "needs the openssl program as a TLS server; Windows has none";
#else
  const std::string openssl = "/usr/bin/openssl";
  if (access(openssl.c_str(), X_OK) != 0) GTEST_SKIP() << "no openssl program for a TLS server";
  const std::string key = m_dir.Path() + "/key.pem", cert = m_dir.Path() + "/cert.pem";
  int exitCode = -1;
  ASSERT_EQ(RunAndWait(openssl,
                       {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                        "-days", "1", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"},
                       exitCode),
            1);
  ASSERT_EQ(exitCode, 0);
  int port = 0;
  {
    CLoopbackHttpServer probe;
    port = probe.Port();
  }
  std::atomic<bool> stop{false};
  std::thread server([&] {
    int code = 0;
    RunAndWait(
        openssl,
        {"s_server", "-accept", "127.0.0.1:" + std::to_string(port), "-cert", cert, "-key", key, "-www"},
        code, &stop);
  });
  for (int i = 0; i < 100 && !CanConnect(port); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto done = Fetch("https://127.0.0.1:" + std::to_string(port) + "/");
  stop.store(true);
  server.join();
  EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadErrorRequest));
  EXPECT_EQ(done.lParam, 60) << "libcurl's peer verification failure";
  EXPECT_FALSE(Exists(m_local));
#endif
}

TEST_F(HttpDownloadTest, StartRefusalsReturnTheirTextAndPostNothing) {
  const std::string missingFolder = m_dir.Path() + "/no/such/folder/file";
  WriteFile(m_local, "present");
  struct Case {
    std::string url, local;
    bool failIfExists;
    std::string expected;  // prefix of the returned text
  };
  const Case cases[] = {
      {"a b/c", m_local, false, "Failed to parse the URL: http://a b/c\n"},
      {"", m_local, false, "Failed to parse the URL: http://\n"},
      {"ftp://127.0.0.1/db.zip", m_local, false, "Failed to parse the URL: ftp://127.0.0.1/db.zip\n"},
      {m_server.Url("/x"), m_local, true, "The file '" + m_local + "' already exists."},
      {m_server.Url("/x"), missingFolder, false,
       "An error occured while opening the file to be downloaded, Error:2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url + " -> " + c.local);
    m_download.SetParams(&m_recorder, c.url, c.local, "", "", "", "", "", kAccessPreconfig, c.failIfExists,
                         false, false, 0.0, 0);
    EXPECT_EQ(m_download.Start(false), c.expected);
    m_download.Stop();
  }
  EXPECT_TRUE(m_recorder.All().empty());
  EXPECT_EQ(test::ReadWholeFile(m_local), "present");
}

TEST_F(HttpDownloadTest, InCallingThreadHasFinishedWhenStartReturns) {
  m_server.Serve("/f", MakeResponse("200 OK", "abc"));
  m_download.SetParams(&m_recorder, m_server.Url("/f"), m_local);
  ASSERT_EQ(m_download.Start(true), "");
  EXPECT_EQ(Finished().wParam, static_cast<WPARAM>(DownloadOk));
  EXPECT_EQ(test::ReadWholeFile(m_local), "abc");
}

// Access types: 0 follows the proxy environment, 1 ignores it, 2 uses the
// named proxy only.
TEST_F(HttpDownloadTest, AccessTypeChoosesTheProxy) {
  CLoopbackHttpServer proxy;
  ASSERT_TRUE(proxy.Started());
  proxy.SetResponder([](const ReceivedRequest&) { return MakeResponse("200 OK", "from proxy"); });
  m_server.Serve("/p", MakeResponse("200 OK", "from origin"));
  const std::string proxyAddress = "127.0.0.1:" + std::to_string(proxy.Port());
  struct Case {
    int accessType;
    bool proxyInEnvironment;
    std::string named;
    std::string expected;
  };
  const Case cases[] = {
      {kAccessPreconfig, true, "", "from proxy"},
      {kAccessPreconfig, false, "", "from origin"},
      {kAccessDirect, true, "", "from origin"},
      {kAccessProxy, false, proxyAddress, "from proxy"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.accessType);
    if (c.proxyInEnvironment)
      test::SetEnvironment("http_proxy", "http://" + proxyAddress);
    else
      test::UnsetEnvironment("http_proxy");
    m_recorder.Clear();
    Options o;
    o.accessType = c.accessType;
    o.proxy = c.named;
    const auto done = Fetch(m_server.Url("/p"), o);
    EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadOk));
    EXPECT_EQ(test::ReadWholeFile(m_local), c.expected);
  }
  test::UnsetEnvironment("http_proxy");
  const auto seen = proxy.Requests();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].requestLine, "GET " + m_server.Url("/p") + " HTTP/1.1");
}

TEST_F(HttpDownloadTest, UnknownAccessTypeFailsBeforeAnyRequest) {
  Options o;
  o.accessType = 7;
  const auto done = Fetch(m_server.Url("/x"), o);
  EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadErrorInternet));
  EXPECT_TRUE(m_server.Requests().empty());
  EXPECT_FALSE(Exists(m_local));
}

// Server (401) and proxy (407) challenges: answered with configured
// credentials, otherwise ended with the status.
TEST_F(HttpDownloadTest, LoginChallengesAreAnsweredOnlyWithCredentials) {
  CLoopbackHttpServer proxy;
  ASSERT_TRUE(proxy.Started());
  const std::string serverLogin = "Basic " + Base64("anna:secret");
  const std::string proxyLogin = "Basic " + Base64("pete:word");
  m_server.SetResponder([&](const ReceivedRequest& r) {
    const auto it = r.headers.find("authorization");
    if (it != r.headers.end() && it->second == serverLogin) return MakeResponse("200 OK", "database");
    return MakeResponse("401 Unauthorized", "login", true, "WWW-Authenticate: Basic realm=\"db\"\r\n");
  });
  proxy.SetResponder([&](const ReceivedRequest& r) {
    const auto it = r.headers.find("proxy-authorization");
    if (it != r.headers.end() && it->second == proxyLogin) return MakeResponse("200 OK", "database");
    return MakeResponse("407 Proxy Authentication Required", "login", true,
                        "Proxy-Authenticate: Basic realm=\"proxy\"\r\n");
  });
  const std::string proxyAddress = "127.0.0.1:" + std::to_string(proxy.Port());
  struct Case {
    const char* name;
    Options options;
    int outcome;
    long detail;
  };
  Options server;
  server.user = "anna";
  server.password = "secret";
  Options serverWrong = server;
  serverWrong.password = "guess";
  Options viaProxy;
  viaProxy.accessType = kAccessProxy;
  viaProxy.proxy = proxyAddress;
  Options viaProxyLogin = viaProxy;
  viaProxyLogin.proxyUser = "pete";
  viaProxyLogin.proxyPassword = "word";
  const Case cases[] = {
      {"server login", server, DownloadOk, 0},
      {"no server login", Options{}, DownloadErrorHttpStatus, 401},
      {"wrong server login", serverWrong, DownloadErrorHttpStatus, 401},
      {"proxy login", viaProxyLogin, DownloadOk, 0},
      {"no proxy login", viaProxy, DownloadErrorHttpStatus, 407},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_recorder.Clear();
    std::remove(m_local.c_str());
    const auto done = Fetch(m_server.Url("/db"), c.options);
    EXPECT_EQ(done.wParam, static_cast<WPARAM>(c.outcome));
    EXPECT_EQ(done.lParam, c.detail);
    if (c.outcome == DownloadOk)
      EXPECT_EQ(test::ReadWholeFile(m_local), "database");
    else
      EXPECT_FALSE(Exists(m_local));
  }
}

TEST_F(HttpDownloadTest, BandwidthCapSlowsTheTransfer) {
  const std::string body = MakeBody(20 * 1024);
  m_server.Serve("/capped", MakeResponse("200 OK", body));
  Options o;
  o.maxBytesPerMs = 20.0;  // 20 KB/s: the last block waits until about 970 ms
  const auto start = std::chrono::steady_clock::now();
  const auto done = Fetch(m_server.Url("/capped"), o);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadOk));
  EXPECT_EQ(test::ReadWholeFile(m_local), body);
  EXPECT_GE(took, std::chrono::milliseconds(900));
}

TEST_F(HttpDownloadTest, StopWithoutTransferOnlyAsksForAbortUntilNextSetParams) {
  m_download.Stop();  // nothing started: returns at once, nothing posted
  m_server.Serve("/after", MakeResponse("200 OK", "fine"));
  const auto done = Fetch(m_server.Url("/after"));
  EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadOk));
}

}  // namespace
}  // namespace brindle
