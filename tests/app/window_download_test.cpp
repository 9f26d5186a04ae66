// The online version check and the download messages, as the window
// handles them for the version file and for the update archive.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "../online/loopback_http_server.h"
#include "online/brand_table.h"
#include "online/http_download.h"
#include "online/working_folder.h"
#include "swap_backend.h"
#include "window_fixture.h"

namespace brindle::test {
namespace {

class WindowDownloadTest : public WindowTest {
 protected:
  void SetUp() override { SetWorkingFolderOverride(workDir.Path()); }
  void TearDown() override { SetWorkingFolderOverride(""); }

  // The version file lives in this run's own folder.
  std::string TmpPath() const { return WorkingFolderPath("Tmp"); }
  void WriteVersionFile(const std::string& bytes) { std::ofstream(TmpPath(), std::ios::binary) << bytes; }
  // The version-file download has just ended with outcome.
  void FinishVersionCheck(int outcome) {
    window->ArrangeCheckingVersion(true);
    window->HandleMessage(WM_DOWNLOAD_FINISHED, static_cast<WPARAM>(outcome), 0);
  }
  void PumpUntilChecked() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (window->CheckingVersion() && std::chrono::steady_clock::now() < deadline) {
      window->Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  CTempDir workDir;
};

TEST_F(WindowDownloadTest, VersionFileSetsVersionAndArchiveUrl) {
  Start();
  Identify();
  ASSERT_TRUE(window->DeviceReady());
  window->EnableControl(kIdUpdateButton, false);
  WriteVersionFile("20130101\r\nhttp://example.test/db.zip\r\nignored\r\n");
  FinishVersionCheck(DownloadOk);
  EXPECT_EQ(window->InternetVersion(), 20130101);
  EXPECT_EQ(window->ArchiveUrl(), "http://example.test/db.zip");
  EXPECT_EQ(window->texts[kIdStatusText], "Internet vesion:20130101\n");
  EXPECT_FALSE(window->CheckingVersion());
  EXPECT_TRUE(window->IsEnabled(kIdOpenButton));
  EXPECT_TRUE(window->IsEnabled(kIdUpdateButton));
  EXPECT_FALSE(std::filesystem::exists(TmpPath()));  // read once, then deleted
}

TEST_F(WindowDownloadTest, FailedChecksLeaveNoVersion) {
  struct Case {
    const char* name;
    int outcome;
    const char* file;  // nullptr: no file at all
  };
  const Case cases[] = {
      {"one line only", DownloadOk, "20130101\n"},
      {"empty file", DownloadOk, ""},
      {"no file", DownloadOk, nullptr},
      {"HTTP status", DownloadErrorHttpStatus, nullptr},
      {"transfer", DownloadErrorTransfer, nullptr},
  };
  Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    window->SetArchiveUrl("http://example.test/kept.zip");
    window->ArrangeVersions(0, window->DeviceDataVersion());
    if (c.file) WriteVersionFile(c.file);
    FinishVersionCheck(c.outcome);
    EXPECT_EQ(window->InternetVersion(), -1);
    EXPECT_EQ(window->texts[kIdStatusText], text::kAccessFailed);
    EXPECT_EQ(window->ArchiveUrl(), "http://example.test/kept.zip");
    EXPECT_TRUE(window->IsEnabled(kIdOpenButton));
    EXPECT_FALSE(std::filesystem::exists(TmpPath()));
  }
}

TEST_F(WindowDownloadTest, CheckEndingAfterOpenLeavesTheChosenFile) {
  // Open asks the check to stop, but it may have ended before it saw that.
  struct Case {
    const char* name;
    int outcome;
  };
  const Case cases[] = {
      {"complete", DownloadOk},
      {"failed", DownloadErrorHttpStatus},
      {"aborted", DownloadAborted},
  };
  Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    window->fileToChoose = workDir.Path() + "/chosen.dwm";
    window->HandleMessage(WM_COMMAND, kIdOpenButton, 0);
    WriteVersionFile("20130101\nhttp://example.test/db.zip\n");
    FinishVersionCheck(c.outcome);
    EXPECT_EQ(window->texts[kIdStatusText], workDir.Path() + "/chosen.dwm");
    EXPECT_EQ(window->ArchiveUrl(), "");
    EXPECT_EQ(window->InternetVersion(), -1);
    EXPECT_FALSE(window->CheckingVersion());
    EXPECT_TRUE(window->IsEnabled(kIdOpenButton));
    EXPECT_FALSE(std::filesystem::exists(TmpPath()));
  }
}

TEST_F(WindowDownloadTest, LineEndOnlyAndNoDigitsGiveVersionZero) {
  Start();
  WriteVersionFile("\nhttp://example.test/a.7z");
  FinishVersionCheck(DownloadOk);
  EXPECT_EQ(window->InternetVersion(), 0);
  EXPECT_EQ(window->ArchiveUrl(), "http://example.test/a.7z");
  WriteVersionFile("beta\nhttp://example.test/b.7z\n");
  FinishVersionCheck(DownloadOk);
  EXPECT_EQ(window->InternetVersion(), 0);
  EXPECT_EQ(window->texts[kIdStatusText], "Internet vesion:beta\n");
}

TEST_F(WindowDownloadTest, ArchiveDownloadOutcomes) {
  Start();
  window->ArrangeCheckingVersion(false);
  window->HandleMessage(WM_DOWNLOAD_FINISHED, DownloadErrorRequest, 0);
  EXPECT_EQ(window->DownloadError(), text::kDownloadFailed);
  EXPECT_EQ(window->texts[kIdProgress], text::kDownloadFailed);

  window->ArrangeDownloadError("");
  window->texts[kIdProgress] = "before";
  window->HandleMessage(WM_DOWNLOAD_FINISHED, DownloadAborted, 0);
  EXPECT_TRUE(window->DownloadError().empty());
  EXPECT_EQ(window->texts[kIdProgress], "before");

  // An aborted version check ends the check: the next download's messages
  // are not taken for it.
  window->ArrangeVersions(0, window->DeviceDataVersion());
  FinishVersionCheck(DownloadAborted);
  EXPECT_FALSE(window->CheckingVersion());
  EXPECT_EQ(window->InternetVersion(), -1);
  window->ArrangeCheckingVersion(false);

  window->HandleMessage(WM_DOWNLOAD_SIZE, 4096, 0);
  EXPECT_EQ(window->progressHigh, 4096u);
  EXPECT_EQ(window->progressPos, 0u);
  window->HandleMessage(WM_DOWNLOAD_FINISHED, DownloadOk, 0);
  EXPECT_EQ(window->progressPos, 4096u);
  EXPECT_EQ(window->texts[kIdProgress], "Updated percent100.00% Speed0.00Kb/s  Remaining time0Second");
}

TEST_F(WindowDownloadTest, SpeedTexts) {
  Start();
  window->ArrangeCheckingVersion(false);
  struct Case {
    uint32_t total;
    WPARAM speed;
    LPARAM done;
    const char* text;
  };
  const Case cases[] = {
      {4096, 100000, 2048, "Updated percent50.00% Speed1.00Kb/s  Remaining time2Second"},
      {3661 * 1024, 100000, 0, "Updated percent0.00% Speed1.00Kb/s  Remaining time1Hour1Minute1Second"},
      {120 * 1024, 100000, 0, "Updated percent0.00% Speed1.00Kb/s  Remaining time2Minute0Second"},
      {4096, 0, 1024, "Updated percent25.00% Speed0.00Kb/s  Remaining time0Second"},
      // No size known, or more than announced: no percentage, no time left.
      {0, 250000, 5000, "Updated percent0.00% Speed2.50Kb/s  Remaining time0Second"},
      {1000, 100000, 2000, "Updated percent0.00% Speed1.00Kb/s  Remaining time0Second"},
      // A crawl: more seconds than 32 bits hold are shown as the most they hold.
      {0xFFFFFFFF, 1, 0, "Updated percent0.00% Speed0.00Kb/s  Remaining time1193046Hour28Minute15Second"},
  };
  for (const Case& c : cases) {
    window->HandleMessage(WM_DOWNLOAD_SIZE, c.total, 0);
    window->HandleMessage(WM_DOWNLOAD_SPEED, c.speed, c.done);
    EXPECT_EQ(window->texts[kIdProgress], c.text);
    EXPECT_EQ(window->progressPos, static_cast<uint32_t>(c.done));
  }
  // While the version file downloads, speed messages are not shown.
  window->ArrangeCheckingVersion(true);
  window->texts[kIdProgress] = "kept";
  window->HandleMessage(WM_DOWNLOAD_SPEED, 100000, 1);
  EXPECT_EQ(window->texts[kIdProgress], "kept");
}

TEST_F(WindowDownloadTest, StartUpCheckFetchesTheVersionFileOfTheCompany) {
  CLoopbackHttpServer server;
  ASSERT_TRUE(server.Started());
  server.Serve("/up.txt", MakeResponse("200 OK", "20140505\r\nhttp://127.0.0.1:9/db.zip\r\n"));
  CBuildConfig config = ConfigFor("Kelvax Systems..");
  config.brandTable = {{"Kelvax", server.Url("/up.txt")}};
  Start(DefaultSimProfile(), config, /*plugged=*/false);
  EXPECT_TRUE(window->OnlineSourceSet());
  EXPECT_FALSE(window->IsEnabled(kIdOpenButton));  // while the check runs
  EXPECT_EQ(window->texts[kIdStatusText], text::kSearchingVersion);
  PumpUntilChecked();
  EXPECT_EQ(window->InternetVersion(), 20140505);
  EXPECT_EQ(window->ArchiveUrl(), "http://127.0.0.1:9/db.zip");
  EXPECT_EQ(window->texts[kIdStatusText], "Internet vesion:20140505\n");
  EXPECT_TRUE(window->IsEnabled(kIdOpenButton));
}

TEST_F(WindowDownloadTest, StartUpWithAnArchiveUrlNeedsNoCheck) {
  CBuildConfig config = ConfigFor("Gravo Navigation");
  config.brandTable = {{"Gravo", "http://downloads.gravo.example/db/Update.ZIP"}};
  Start(DefaultSimProfile(), config, /*plugged=*/false);
  EXPECT_EQ(window->ArchiveUrl(), "http://downloads.gravo.example/db/Update.ZIP");
  EXPECT_EQ(window->texts[kIdStatusText], "http://downloads.gravo.example/db/Update.ZIP");
  EXPECT_TRUE(window->OnlineSourceSet());
  EXPECT_FALSE(window->CheckingVersion());
}

size_t RequestsFor(CLoopbackHttpServer& server, const std::string& path) {
  size_t n = 0;
  for (const auto& r : server.Requests())
    if (r.requestLine == "GET " + path + " HTTP/1.1") ++n;
  return n;
}

// The blank configuration serves every brand and checks each device's own
// version file after its identification. A second identification while a
// check still runs must neither set up the running transfer again nor take
// the first check's end for anything else; the test runs under
// ThreadSanitizer too, where setting up a running transfer is a data race.
class SecondIdentificationTest : public WindowDownloadTest {
 protected:
  static constexpr const char* kGravoVersion = "20140505\r\nhttp://127.0.0.1:9/gravo.zip\r\n";
  static constexpr const char* kKelvaxVersion = "20150606\r\nhttp://127.0.0.1:9/kelvax.zip\r\n";

  void SetUp() override {
    WindowDownloadTest::SetUp();
    ASSERT_TRUE(server.Started());
    // Slow enough that the second identification comes while it runs.
    ScriptedResponse gravo = MakeResponse("200 OK", kGravoVersion);
    gravo.headDelayMs = 400;
    server.Serve("/gravo.txt", gravo);
    server.Serve("/kelvax.txt", MakeResponse("200 OK", kKelvaxVersion));
    ScriptedResponse archive = MakeResponse("200 OK", std::string(20000, 'x'));
    archive.headDelayMs = 300;
    server.Serve("/db.bin", archive);
    config = ConfigFor(std::string(21, ' '));
    config.brandTable = {{"Gravo", server.Url("/gravo.txt")}, {"Kelvax", server.Url("/kelvax.txt")}};
  }
  // Identifies a Gravo device, whose check then runs.
  void StartChecking() {
    sim = std::make_shared<CSimDevice>(ProfileWithIdentity("Gravo Navigation"));
    other = std::make_shared<CSimDevice>(ProfileWithIdentity("Kelvax Systems"));
    backend = std::make_shared<CSwapBackend>(sim);
    StartOn(backend, config);
    EXPECT_FALSE(window->OnlineSourceSet());
    Identify();
    ASSERT_TRUE(window->CheckingVersion());
  }
  // Serves the window until every download that was started has ended and
  // its end message has been handled.
  void PumpUntilQuiet(size_t ends) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
      window->Pump();
      size_t finished = 0;
      for (const auto& m : window->PostedCopy())
        if (m.msg == WM_DOWNLOAD_FINISHED) ++finished;
      if (finished >= ends && !window->CheckingVersion() && !window->WorkerRunning() &&
          window->PendingCount() == 0)
        return;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ADD_FAILURE() << "downloads still running";
  }

  CLoopbackHttpServer server;
  CBuildConfig config;
  std::shared_ptr<CSimDevice> other;
  std::shared_ptr<CSwapBackend> backend;
};

TEST_F(SecondIdentificationTest, NeverSetsUpTheRunningCheckAgainNorMixesTheTwo) {
  struct Case {
    const char* name;
    std::function<void()> second;  // what brings the second identification
    size_t ends;                   // downloads that end
    std::string status;
    int32_t version;
    const char* archiveUrl;
    // Requests for the Gravo file: one, or at most one when the check was
    // stopped (perhaps before its request went out).
    size_t gravoRequests;
    bool gravoStopped;
    size_t kelvaxRequests;
  };
  const auto unplug = [&] {
    sim->Unplug();
    DeviceChange(DBT_DEVNODES_CHANGED);
  };
  const std::string gravoStatus = "Internet vesion:20140505\n";
  const Case cases[] = {
      {"replugged",
       [&] {
         unplug();
         sim->Plug();
         DeviceChange(DBT_DEVNODES_CHANGED);
         Identify();
       },
       1, gravoStatus, 20140505, "http://127.0.0.1:9/gravo.zip", 1, false, 0},
      {"identified again after EndSession",
       [&] {
         window->RefreshConnectionState();
         Identify();
       },
       1, gravoStatus, 20140505, "http://127.0.0.1:9/gravo.zip", 1, false, 0},
      {"replaced by a device of another brand",
       [&] {
         unplug();
         backend->Swap(other);
         DeviceChange(DBT_DEVNODES_CHANGED);
         Identify();
       },
       2, "Internet vesion:20150606\n", 20150606, "http://127.0.0.1:9/kelvax.zip", 1, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t gravoBefore = RequestsFor(server, "/gravo.txt");
    StartChecking();
    c.second();
    PumpUntilQuiet(c.ends);
    EXPECT_EQ(window->texts[kIdStatusText], c.status);
    EXPECT_EQ(window->InternetVersion(), c.version);
    EXPECT_EQ(window->ArchiveUrl(), c.archiveUrl);
    // Nothing was taken for an archive download.
    EXPECT_EQ(window->DownloadError(), "");
    EXPECT_EQ(window->texts[kIdProgress], "");
    EXPECT_TRUE(window->IsEnabled(kIdOpenButton));
    EXPECT_TRUE(window->IsEnabled(kIdUpdateButton));
    if (c.gravoStopped) {
      EXPECT_LE(RequestsFor(server, "/gravo.txt") - gravoBefore, c.gravoRequests);
    } else {
      EXPECT_EQ(RequestsFor(server, "/gravo.txt") - gravoBefore, c.gravoRequests);
    }
    EXPECT_EQ(RequestsFor(server, "/kelvax.txt"), c.kelvaxRequests);
    window.reset();
  }
}

TEST_F(SecondIdentificationTest, UpdateWhileTheCheckRunsWaitsForItsEnd) {
  StartChecking();
  // The archive an earlier check found; the status text names no file.
  window->SetArchiveUrl(server.Url("/db.bin"));
  window->HandleMessage(WM_COMMAND, kIdUpdateButton, 0);
  PumpUntilQuiet(2);
  // The archive came in whole (it is no archive, so no update file is found
  // in it); the stopped check's end did not abort it nor fail it.
  EXPECT_EQ(RequestsFor(server, "/db.bin"), 1u);
  ASSERT_FALSE(window->boxes.empty());
  EXPECT_EQ(window->boxes.back().text, "Can not Find Update File!");
  EXPECT_EQ(window->DownloadError(), "");
}

TEST(BrandTable, FirstRowWhoseBytesBeginTheBrand) {
  const CBuildConfig& c = CBuildConfig::Default();
  EXPECT_EQ(BrandToVersionUrl(c, "Kelvax Europe"), c.brandTable[2].versionFileUrl);
  EXPECT_EQ(BrandToVersionUrl(c, "Nerv/Pindar"), c.brandTable[0].versionFileUrl);
  EXPECT_EQ(BrandToVersionUrl(c, "Kelva"), "");  // shorter than the row
  EXPECT_EQ(BrandToVersionUrl(c, "gravo"), "");  // bytes compare exactly
  EXPECT_EQ(BrandToVersionUrl(c, c.companyName), "");
  EXPECT_TRUE(UrlNamesArchive("http://h/a.Rar"));
  EXPECT_TRUE(UrlNamesArchive("7z"));
  EXPECT_FALSE(UrlNamesArchive("http://h/a.txt"));
  EXPECT_FALSE(UrlNamesArchive("http://h/zip"));
}

}  // namespace
}  // namespace brindle::test
