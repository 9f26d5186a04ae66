// The downloader in a hostile world: lying and trickling servers, redirects
// to other schemes, and local paths that are not Brindle's to overwrite.
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <process.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

#include "cli/run_cli.h"
#include "environment.h"
#include "message_recorder.h"
#include "online/download_file.h"
#include "online/http_download.h"
#include "online/loopback_http_server.h"
#include "online/url_check.h"
#include "read_file.h"
#include "temp_dir.h"

namespace brindle {
namespace {

namespace fs = std::filesystem;
using test::MakeResponse;
using test::ScriptedResponse;

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

class DownloadSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"})
      test::UnsetEnvironment(name);
    ASSERT_TRUE(m_server.Started());
    m_local = m_dir.Path() + "/db.zip";
  }
  void Params(const std::string& url, const std::string& local) {
    m_download.SetParams(&m_recorder, url, local);
  }
  test::RecordedMessage Fetch(const std::string& url) {
    m_recorder.Clear();
    Params(url, m_local);
    const std::string error = m_download.Start(false);
    EXPECT_EQ(error, "");
    if (!error.empty()) return {0, 99, 0};
    EXPECT_TRUE(m_recorder.WaitFor(WM_DOWNLOAD_FINISHED));
    m_download.Stop();
    const auto finished = m_recorder.Only(WM_DOWNLOAD_FINISHED);
    EXPECT_EQ(finished.size(), 1u);
    return finished.empty() ? test::RecordedMessage{0, 99, 0} : finished.back();
  }

  test::CTempDir m_dir;
  std::string m_local;
  test::CLoopbackHttpServer m_server;
  test::CMessageRecorder m_recorder;
  CHttpDownload m_download;
};

// A length that cannot be read, or a body shorter than its length, is a
// failed transfer: the file is never taken as complete.
TEST_F(DownloadSafetyTest, LengthsThatCannotBeReadFailTheTransfer) {
  const std::string body(4000, 'b');
  const auto withHead = [&](const std::string& lengthHeaders) {
    ScriptedResponse r = MakeResponse("200 OK", body, false, lengthHeaders);
    return r;
  };
  auto shortBody = MakeResponse("200 OK", body);
  shortBody.sendBytes = 1000;
  struct Case {
    const char* name;
    ScriptedResponse response;
  };
  const Case cases[] = {
      {"rubbish", withHead("Content-Length: lots\r\n")},
      {"digits then rubbish", withHead("Content-Length: 4000abc\r\n")},
      {"negative", withHead("Content-Length: -4000\r\n")},
      {"empty", withHead("Content-Length: \r\n")},
      {"overflowing", withHead("Content-Length: 99999999999999999999999999\r\n")},
      {"just past the largest file offset", withHead("Content-Length: 9223372036854775808\r\n")},
      {"two that differ", withHead("Content-Length: 4000\r\nContent-Length: 1000\r\n")},
      {"body shorter than its length", shortBody},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_server.Serve("/lying", c.response);
    WriteFile(m_local, "older file");
    const auto done = Fetch(m_server.Url("/lying"));
    EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadErrorTransfer));
    EXPECT_NE(done.lParam, 0);
    EXPECT_EQ(test::ReadWholeFile(m_local), "older file");
    EXPECT_EQ(Entries(m_dir.Path()), std::set<std::string>{"db.zip"});
  }
  // The same body with a readable length, twice the same, is whole.
  m_server.Serve("/honest", withHead("Content-Length: 4000\r\ncontent-length:  4000 \r\n"));
  EXPECT_EQ(Fetch(m_server.Url("/honest")).wParam, static_cast<WPARAM>(DownloadOk));
  EXPECT_EQ(test::ReadWholeFile(m_local), body);
}

TEST(UrlCheckTest, SchemeIsJudgedFirst) {
  struct Case {
    const char* url;
    UrlScheme scheme;
  };
  const Case cases[] = {
      {"http://h/x", UrlScheme::kHttp},
      {"HTTPS://h/x", UrlScheme::kHttps},
      {"file:///etc/passwd", UrlScheme::kOther},
      {"file:/etc/passwd", UrlScheme::kOther},
      {"FILE:etc", UrlScheme::kOther},
      {"ftp://h/x", UrlScheme::kOther},
      {"gopher+x.y-z:abc", UrlScheme::kOther},
      {"h/x", UrlScheme::kNone},
      {"host:8080/x", UrlScheme::kNone},
      {"host:8080", UrlScheme::kNone},
      {"host:8080?q", UrlScheme::kNone},
      {"host:80x/x", UrlScheme::kOther},
      {"1host:x", UrlScheme::kNone},
      {"", UrlScheme::kNone},
  };
  for (const Case& c : cases) EXPECT_EQ(SchemeOf(c.url), c.scheme) << c.url;
}

TEST(UrlCheckTest, RedirectsNeverLeaveHttpsOrHttp) {
  struct Case {
    const char* from;
    const char* to;
    bool allowed;
  };
  const Case cases[] = {
      {"", "http://h/x", true},  // the first request
      {"http://a/x", "http://b/y", true},
      {"http://a/x", "https://b/y", true},
      {"https://a/x", "https://b/y", true},
      {"https://a/x", "http://b/y", false},
      {"HTTPS://a/x", "Http://a/x", false},
      {"http://a/x", "file:///etc/passwd", false},
      {"https://a/x", "ftp://b/y", false},
      {"http://a/x", "", false},
  };
  for (const Case& c : cases) EXPECT_EQ(RedirectAllowed(c.from, c.to), c.allowed) << c.from << " -> " << c.to;
}

// Other schemes are refused as given, before any request: never read
// through libcurl and never completed into an http URL.
TEST_F(DownloadSafetyTest, OtherSchemesAreRefusedBeforeAnyRequest) {
  const std::string secret = m_dir.Path() + "/secret";
  WriteFile(secret, "not for the device");
  for (const std::string& url : std::vector<std::string>{"file://" + secret, "file:" + secret,
                                                         "FILE://" + secret, "ftp:x", "dict:x"}) {
    SCOPED_TRACE(url);
    m_recorder.Clear();
    Params(url, m_local);
    EXPECT_EQ(m_download.Start(false), "Failed to parse the URL: " + url + "\n");
    m_download.Stop();
    EXPECT_TRUE(m_recorder.All().empty());
    EXPECT_FALSE(fs::exists(m_local));
  }
}

// A redirect is followed only to http or https; from https only to https
// (the check itself is shown above, with libcurl's own list behind it).
TEST_F(DownloadSafetyTest, RedirectsToOtherSchemesAreRefused) {
  const std::string secret = m_dir.Path() + "/secret";
  WriteFile(secret, "not for the device");
  for (const std::string& location : std::vector<std::string>{
           (secret[0] == '/' ? "file://" : "file:///") + secret, "ftp://127.0.0.1/x", "dict://127.0.0.1/x"}) {
    SCOPED_TRACE(location);
    m_server.Serve("/moved", MakeResponse("302 Found", "", true, "Location: " + location + "\r\n"));
    const auto done = Fetch(m_server.Url("/moved"));
    EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadErrorRequest));
    EXPECT_NE(done.lParam, 0);
    EXPECT_FALSE(fs::exists(m_local));
  }
  // An http redirect is still followed.
  m_server.Serve("/there", MakeResponse("200 OK", "db"));
  m_server.Serve("/moved",
                 MakeResponse("302 Found", "", true, "Location: " + m_server.Url("/there") + "\r\n"));
  EXPECT_EQ(Fetch(m_server.Url("/moved")).wParam, static_cast<WPARAM>(DownloadOk));
  EXPECT_EQ(test::ReadWholeFile(m_local), "db");
}

// A symbolic link, a folder, a FIFO or a device at the local path is never
// written through, replaced or waited on.
TEST_F(DownloadSafetyTest, LocalPathsThatAreNotRegularFilesAreRefused) {
#ifdef _WIN32
  // (MinGW's runtime makes neither symbolic links nor FIFOs: a folder and
  // the null device here.)
  m_server.Serve("/db.zip", MakeResponse("200 OK", "payload"));
  const std::string folder = m_dir.Path() + "/folder";
  fs::create_directory(folder);
  for (const std::string& local : {folder, std::string("NUL")}) {
    SCOPED_TRACE(local);
    m_recorder.Clear();
    Params(m_server.Url("/db.zip"), local);
    EXPECT_EQ(m_download.Start(false),
              "The file '" + local + "' is not a regular file; it is left as it is.");
    m_download.Stop();
    EXPECT_TRUE(m_recorder.All().empty());
  }
  EXPECT_TRUE(m_server.Requests().empty());
  EXPECT_TRUE(fs::is_directory(folder) && fs::is_empty(folder));
#else
  m_server.Serve("/db.zip", MakeResponse("200 OK", "payload"));
  const std::string outside = m_dir.Path() + "/outside";
  WriteFile(outside, "someone else's file");
  const std::string link = m_dir.Path() + "/link", dangling = m_dir.Path() + "/dangling";
  const std::string folder = m_dir.Path() + "/folder", fifo = m_dir.Path() + "/fifo";
  fs::create_symlink(outside, link);
  fs::create_symlink(m_dir.Path() + "/nothing", dangling);
  fs::create_directory(folder);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& local : {link, dangling, folder, fifo, std::string("/dev/null")}) {
    SCOPED_TRACE(local);
    m_recorder.Clear();
    Params(m_server.Url("/db.zip"), local);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(m_download.Start(false),
              "The file '" + local + "' is not a regular file; it is left as it is.");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    m_download.Stop();
    EXPECT_TRUE(m_recorder.All().empty());
  }
  EXPECT_TRUE(m_server.Requests().empty());
  EXPECT_EQ(test::ReadWholeFile(outside), "someone else's file");
  EXPECT_TRUE(fs::is_symlink(link) && fs::is_symlink(dangling) && fs::is_directory(folder) &&
              fs::is_fifo(fifo));
  EXPECT_FALSE(fs::exists(m_dir.Path() + "/nothing"));
#endif
}

// A finished download replaces the file in one step: another name of the
// old file keeps the old bytes, and no working file stays behind.
TEST_F(DownloadSafetyTest, SuccessReplacesTheFileInsteadOfWritingIntoIt) {
  WriteFile(m_local, "older file");
  const std::string other = m_dir.Path() + "/other-name";
  fs::create_hard_link(m_local, other);
  m_server.Serve("/db.zip", MakeResponse("200 OK", "new database"));
  EXPECT_EQ(Fetch(m_server.Url("/db.zip")).wParam, static_cast<WPARAM>(DownloadOk));
  EXPECT_EQ(test::ReadWholeFile(m_local), "new database");
  EXPECT_EQ(test::ReadWholeFile(other), "older file");
  EXPECT_EQ(Entries(m_dir.Path()), (std::set<std::string>{"db.zip", "other-name"}));
}

// Named working files of a process that is gone are removed by the next
// download beside the same target; those of a running one are kept.
TEST_F(DownloadSafetyTest, StalePartsOfEndedProcessesAreRemoved) {
#ifdef _WIN32
  // An ended process's id: a brindle-cli that has come and gone.
  test::CCliProcess ended({"--version"});
  const long child = ended.Pid();
  ASSERT_GT(child, 0);
  ended.Wait();
  const long self = _getpid();
#else
  const pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_GT(child, 0);
  waitpid(child, nullptr, 0);
  const long self = getpid();
#endif
  const std::string prefix = m_dir.Path() + "/" + DownloadPartPrefix(m_local);
  const std::string stale = prefix + std::to_string(child) + "-0";
  const std::string live = prefix + std::to_string(self) + "-12345";
  const std::string unrelated = m_dir.Path() + "/.other.zip.part-" + std::to_string(child) + "-0";
  for (const auto& p : {stale, live, unrelated}) WriteFile(p, "part");
  m_server.Serve("/db.zip", MakeResponse("200 OK", "db"));
  EXPECT_EQ(Fetch(m_server.Url("/db.zip")).wParam, static_cast<WPARAM>(DownloadOk));
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(live));
  EXPECT_TRUE(fs::exists(unrelated));
}

// A server that sends a trickle below the stall limit for the whole stall
// window has stalled, like a silent one.
TEST_F(DownloadSafetyTest, TrickleCountsAsStall) {
  auto trickle = MakeResponse("200 OK", std::string(20000, 't'));
  trickle.pieceBytes = 100;
  trickle.pauseMs = 200;  // 500 bytes a second: 40 s for the whole body
  m_server.Serve("/trickle", trickle);
  WriteFile(m_local, "older file");
  m_download.SetStallBounds(1024, 2);
  const auto start = std::chrono::steady_clock::now();
  const auto done = Fetch(m_server.Url("/trickle"));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(done.wParam, static_cast<WPARAM>(DownloadErrorTransfer));
  EXPECT_EQ(done.lParam, 28) << "libcurl's operation time-out";
  EXPECT_LT(took, std::chrono::seconds(10));
  EXPECT_EQ(test::ReadWholeFile(m_local), "older file");

  // Above the limit the same window lets the transfer finish.
  auto steady = MakeResponse("200 OK", std::string(20000, 's'));
  steady.pieceBytes = 2000;
  steady.pauseMs = 100;  // 20 KB a second
  m_server.Serve("/steady", steady);
  EXPECT_EQ(Fetch(m_server.Url("/steady")).wParam, static_cast<WPARAM>(DownloadOk));
}

}  // namespace
}  // namespace brindle
