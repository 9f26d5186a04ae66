// The worker's archive route end to end: an update archive served on
// loopback, unpacked by the installed 7-Zip into the working folder, the
// update file found and sent to the simulated device; and each way the
// route ends early.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "app/update_archive_route.h"
#include "environment.h"
#include "online/archivers.h"
#include "online/loopback_http_server.h"
#include "online/process_runner.h"
#include "online/working_folder.h"
#include "read_file.h"
#include "stored_zip.h"
#include "test_archiver.h"
#include "update_fixture.h"

namespace brindle {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::Input;
using test::kCompany;
using test::Pack;

class UpdateArchiveTest : public test::UpdateTest {
 public:  // reached from the case tables' lambdas
  void SetUp() override {
    ASSERT_TRUE(server.Started());
    sevenZip = test::TestSevenZip();
    if (sevenZip.empty()) GTEST_SKIP() << "7-Zip (p7zip-full) is not installed";
    savedPath = test::EnvironmentValue("PATH");
    test::SetEnvironment("PATH", test::PathWithTestSevenZip());
    SetWorkingFolderOverride(work.Path());
    section = Bytes(0x900, 7);
    update = Pack(Input(kCompany, section));
  }
  void TearDown() override {
    SetWorkingFolderOverride("");
    if (!sevenZip.empty()) test::SetEnvironment("PATH", savedPath);
  }

  // Packs files (relative path -> bytes) with 7-Zip into an archive of type
  // ("zip" or "7z") and returns its bytes.
  std::string MakeArchive(const std::string& type,
                          const std::map<std::string, std::vector<uint8_t>>& content) {
#ifdef _WIN32
    // The stand-in 7-Zip only unpacks; the test writes its zips itself.
    std::map<std::string, std::string> files;
    for (const auto& [name, bytes] : content) files[name] = std::string(bytes.begin(), bytes.end());
    return type == "zip" ? test::StoredZip(files) : std::string();
#endif
    test::CTempDir src;
    std::vector<std::string> args{"a", "-t" + type, src.Path() + "/out.archive"};
    for (const auto& [name, bytes] : content) {
      const fs::path path = fs::path(src.Path()) / "tree" / name;
      fs::create_directories(path.parent_path());
      std::ofstream(path, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      args.push_back(name);
    }
    int exitCode = -1;
    if (!RunAndWait(sevenZip, args, exitCode, nullptr, src.Path() + "/tree") || exitCode != 0) return {};
    return test::ReadWholeFile(src.Path() + "/out.archive");
  }
  // Serves body at path and runs the Update button with the archive URL as
  // the start-up would have set it up.
  void UpdateFromArchive(const std::string& path, const std::string& body, bool found = true) {
    server.Serve(path,
                 found ? test::MakeResponse("200 OK", body) : test::MakeResponse("404 Not Found", "no"));
    window->SetArchiveUrl(server.Url(path));
    UpdateWith(window->ArchiveUrl());
  }
  bool InWorkingFolder(const std::string& name) const { return fs::exists(fs::path(work.Path()) / name); }
  // This run's own folder, where the archive and the unpacked tree live.
  bool InRunFolder(const std::string& name) const { return fs::exists(fs::path(RunFolder()) / name); }
  bool SectionOnDevice() const {
    const auto mem = DeviceBytes(kParameterArea, 0, section.size());
    return std::equal(section.begin(), section.end(), mem.begin());
  }

  test::CLoopbackHttpServer server;
  test::CTempDir work;
  std::string sevenZip;
  std::string savedPath;
  std::vector<uint8_t> section;
  std::vector<uint8_t> update;
};

TEST_F(UpdateArchiveTest, ArchivesUnpackedBy7ZipAreSentAndCleanedUp) {
  struct Case {
    const char* type;
    const char* inside;  // where the update file lies in the archive
  };
  for (const Case& c : {Case{"zip", "db/2012/UPDATE.DWM"}, Case{"7z", "data.dwm"}}) {
    SCOPED_TRACE(c.type);
#ifdef _WIN32
    if (std::string(c.type) == "7z") continue;  // the stand-in 7-Zip unpacks zips only
#endif
    Connect();
    const std::string archive = MakeArchive(c.type, {{c.inside, update}, {"readme.txt", Bytes(40, 1)}});
    ASSERT_FALSE(archive.empty());
    const std::string name = std::string("db.") + c.type;
    UpdateFromArchive("/files/" + name, archive);
    ASSERT_TRUE(RunWorker());
    EXPECT_EQ(LastBoxText(), kTextUpdateSucceeded);
    EXPECT_TRUE(SectionOnDevice());
    EXPECT_FALSE(InWorkingFolder(name)) << "the archive goes once its update file was found";
    EXPECT_FALSE(InRunFolder(name));
    EXPECT_FALSE(InRunFolder(kUnpackFolderName));
  }
}

TEST_F(UpdateArchiveTest, RouteEndsEarlyWithItsOutcome) {
  struct Case {
    const char* name;
    std::string urlPath;
    std::function<std::string(UpdateArchiveTest&)> body;
    bool found;            // the server has it
    bool noArchiver;       // PATH without any archiver
    bool staleUpdateFile;  // an earlier, killed run left an update file in its TmpTmp
    std::string outcome;
    bool archiveStays;
  };
  const auto zipWith = [](std::map<std::string, std::vector<uint8_t>> content) {
    return [content](UpdateArchiveTest& t) { return t.MakeArchive("zip", content); };
  };
  const Case cases[] = {
      {"archive missing on the server", "/x.zip", zipWith({}), false, false, false, text::kDownloadFailed,
       false},
      {"upper-case extension", "/x.ZIP",
       [this](UpdateArchiveTest& t) {
         return t.MakeArchive("zip", {{"a.dwm", update}});
       },
       true, false, false, kTextNoUpdateFile, false},
      {"no update file inside", "/x.zip", zipWith({{"a.txt", Bytes(9, 1)}}), true, false, false,
       kTextNoUpdateFile, true},
      {"only a stale update file", "/x.zip", zipWith({{"a.txt", Bytes(9, 1)}}), true, false, true,
       kTextNoUpdateFile, true},
      {"no archiver installed", "/x.zip",
       [this](UpdateArchiveTest& t) {
         return t.MakeArchive("zip", {{"a.dwm", update}});
       },
       true, true, false, ManualUnpackOutcome((fs::path(work.Path()) / "x.zip").string()), true},
  };
  test::CTempDir emptyPath;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Connect();
    const fs::path stale = fs::path(work.Path()) / "run-killed" / kUnpackFolderName;
    if (c.staleUpdateFile) {
      EndRunFolder();  // the next run starts after the killed one
      fs::create_directories(stale);
      std::ofstream(stale / "old.dwm", std::ios::binary)
          .write(reinterpret_cast<const char*>(update.data()), static_cast<std::streamsize>(update.size()));
    }
    const std::string body = c.body(*this);
    const std::string withArchiver = test::EnvironmentValue("PATH");
    if (c.noArchiver) test::SetEnvironment("PATH", emptyPath.Path());
    UpdateFromArchive(c.urlPath, body, c.found);
    const bool ended = RunWorker();
    test::SetEnvironment("PATH", withArchiver);
    ASSERT_TRUE(ended);
    EXPECT_EQ(LastBoxText(), c.outcome);
    EXPECT_TRUE(UpdateCommands().empty()) << "nothing sent";
    const std::string name = c.urlPath.substr(1);
    EXPECT_EQ(InWorkingFolder(name), c.archiveStays) << "an archive to unpack by hand is kept";
    EXPECT_FALSE(InRunFolder(name));
    EXPECT_FALSE(InRunFolder(kUnpackFolderName));
    EXPECT_FALSE(fs::exists(stale));
    std::error_code ec;
    fs::remove(fs::path(work.Path()) / name, ec);
  }
}

size_t RequestsFor(test::CLoopbackHttpServer& server, const std::string& path) {
  size_t n = 0;
  for (const auto& r : server.Requests())
    if (r.requestLine == "GET " + path + " HTTP/1.1") ++n;
  return n;
}

TEST_F(UpdateArchiveTest, TheArchiveNameNeverLeavesTheRunFolder) {
  struct Case {
    const char* name;
    std::string urlPath;
    bool sent;  // else refused before anything is fetched
  };
  const Case cases[] = {
      // Windows parts folders at "\\" too: the name is what follows the last.
      {"backslashes that climb out", "/..\\..\\escape.zip", true},
      {"a drive or a stream", "/x.zip:part", false},
      {"a control character", "/x\x01.zip", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Connect();
    UpdateFromArchive(c.urlPath, MakeArchive("zip", {{"a.dwm", update}}));
    ASSERT_TRUE(RunWorker());
    EXPECT_EQ(LastBoxText(), c.sent ? std::string(kTextUpdateSucceeded) : std::string(text::kDownloadFailed));
    EXPECT_EQ(SectionOnDevice(), c.sent);
    if (!c.sent) {
      EXPECT_EQ(RequestsFor(server, c.urlPath), 0u);
    }
    // Nothing beside or above the working folder.
    const fs::path parent = fs::path(work.Path()).parent_path();
    EXPECT_FALSE(fs::exists(parent / "escape.zip"));
    EXPECT_FALSE(fs::exists(fs::path(work.Path()) / "escape.zip"));
  }
}

// The blank configuration checks each device's version file after each
// identification; here the check names an archive with another update file.
// A file the user chose with Open stays the one that is sent.
TEST_F(UpdateArchiveTest, ChosenFileStaysChosenAcrossIdentifications) {
  const std::string online = MakeArchive("zip", {{"online.dwm", Pack(Input(kCompany, Bytes(0x900, 99)))}});
  ASSERT_FALSE(online.empty());
  server.Serve("/db.zip", test::MakeResponse("200 OK", online));
  server.Serve("/v.txt", test::MakeResponse("200 OK", "20990101\r\n" + server.Url("/db.zip") + "\r\n"));
  CBuildConfig config = test::ConfigFor(std::string(21, ' '));
  config.brandTable = {{"Gravo", server.Url("/v.txt")}};
  SimProfile profile = test::ProfileWithIdentity("Gravo Navigation");
  profile.version = 1007;  // an update ends with EndSession and a new identification

  const auto pumpUntilChecked = [&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (window->CheckingVersion() && std::chrono::steady_clock::now() < deadline) {
      window->Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  };
  struct Case {
    const char* name;
    std::function<void()> identifyAgain;
  };
  const Case cases[] = {
      {"replugged",
       [&] {
         sim->Unplug();
         DeviceChange(DBT_DEVNODES_CHANGED);
         sim->Plug();
         DeviceChange(DBT_DEVNODES_CHANGED);
         Identify();
       }},
      {"identified again after an update",
       [&] {
         window->HandleMessage(WM_COMMAND, kIdUpdateButton, 0);
         ASSERT_TRUE(RunWorker());
         EXPECT_EQ(LastBoxText(), kTextUpdateSucceeded);
         EXPECT_TRUE(SectionOnDevice());
         Identify();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t checksBefore = RequestsFor(server, "/v.txt");
    Start(profile, config);
    Identify();
    pumpUntilChecked();
    ASSERT_EQ(window->InternetVersion(), 20990101);
    const std::string chosen = WriteFile(update);
    window->fileToChoose = chosen;
    window->HandleMessage(WM_COMMAND, kIdOpenButton, 0);

    c.identifyAgain();
    pumpUntilChecked();
    EXPECT_EQ(window->texts[kIdStatusText], chosen);
    EXPECT_EQ(RequestsFor(server, "/v.txt") - checksBefore, 1u) << "no check after Open";

    window->HandleMessage(WM_COMMAND, kIdUpdateButton, 0);
    ASSERT_TRUE(RunWorker());
    EXPECT_EQ(LastBoxText(), kTextUpdateSucceeded);
    EXPECT_TRUE(SectionOnDevice()) << "the chosen file, not the online one";
    EXPECT_EQ(RequestsFor(server, "/db.zip"), 0u);
  }
}

TEST_F(UpdateArchiveTest, ExistingFileIsSentWithoutDownloadAndBadUrlSaysWhy) {
  Connect();
  window->SetArchiveUrl(server.Url("/x.zip"));
  UpdateWith(WriteFile(update));
  ASSERT_TRUE(RunWorker());
  EXPECT_EQ(LastBoxText(), kTextUpdateSucceeded);
  EXPECT_TRUE(server.Requests().empty()) << "a file at hand is never downloaded";

  Connect();
  window->SetArchiveUrl("ftp://127.0.0.1/x.zip");
  UpdateWith(window->ArchiveUrl());
  ASSERT_TRUE(RunWorker());
  EXPECT_EQ(LastBoxText(), "Failed to parse the URL: ftp://127.0.0.1/x.zip\n");
}

// Stand-in archivers on PATH beside the real 7-Zip: a RAR tool is never
// given a zip or 7z archive, and a failing tool gives way to the next one
// that fits. Neither a stand-in's message nor its cut output reaches the
// device.
TEST_F(UpdateArchiveTest, ArchiverFitsTheArchiveAndFailuresFallBack) {
#ifdef _WIN32
  // Windows' archivers all take zips: the stand-in plays each tool, one that
  // says nothing useful and unpacks nothing, or one that dies half-way.
  struct Case {
    const char* name;
    const char* tool;
    const char* variable;
  };
  const Case cases[] = {
      {"a WinRAR that unpacks nothing, 7z behind it", "WinRar.exe", "STAND_IN_ARCHIVER_EMPTY"},
      {"a failing HaoZipC before 7z", "HaoZipC.exe", "STAND_IN_ARCHIVER_FAILS"},
  };
  test::CTempDir bin;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(bin.Path());
    fs::create_directories(bin.Path());
    fs::copy_file(sevenZip, fs::path(bin.Path()) / c.tool);
    fs::copy_file(sevenZip, fs::path(bin.Path()) / "7z.exe");
    Connect();
    const std::string archive = MakeArchive("zip", {{"db/data.dwm", update}});
    test::SetEnvironment(c.variable, c.tool);
    test::SetEnvironment("PATH", bin.Path());
    UpdateFromArchive("/db.zip", archive);
    const bool ended = RunWorker();
    test::SetEnvironment("PATH", savedPath);
    test::UnsetEnvironment(c.variable);
    ASSERT_TRUE(ended);
    EXPECT_EQ(LastBoxText(), kTextUpdateSucceeded);
    EXPECT_TRUE(SectionOnDevice());
    EXPECT_FALSE(InWorkingFolder("db.zip"));
    EXPECT_FALSE(InWorkingFolder(kUnpackFolderName));
  }
#else
  test::CTempDir bin;
  const auto script = [&](const std::string& name, const std::string& body) {
    const fs::path path = fs::path(bin.Path()) / name;
    std::ofstream(path) << "#!/bin/sh\nPATH=/usr/bin:/bin\n" << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
  };
  // unrar-free's way with a zip: it says nothing useful and unpacks nothing.
  const std::string unrarFree = "echo 'Not a RAR archive' >&2; exit 0";
  // A 7-Zip-style tool that dies half-way through, leaving a cut update file.
  const std::string dies =
      "t=$(echo \"$5\" | cut -c3-); mkdir -p \"$t\"; "
      "head -c 100 /dev/zero > \"$t/cut.dwm\"; exit 2";
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> tools;  // name, script body
    bool real7z;
    bool succeeds;
  };
  const Case cases[] = {
      {"unrar first on PATH, 7z behind it", {{"unrar", unrarFree}, {"rar", unrarFree}}, true, true},
      {"a failing HaoZipC before 7z", {{"HaoZipC", dies}, {"unrar", unrarFree}}, true, true},
      {"only RAR tools", {{"unrar", unrarFree}, {"rar", unrarFree}}, false, false},
  };
  for (const char* type : {"zip", "7z"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(type) + ": " + c.name);
      fs::remove_all(bin.Path());
      fs::create_directories(bin.Path());
      for (const auto& [name, body] : c.tools) script(name, body);
      if (c.real7z) fs::create_symlink(sevenZip, fs::path(bin.Path()) / "7z");
      Connect();
      const std::string archive = MakeArchive(type, {{"db/data.dwm", update}});
      ASSERT_FALSE(archive.empty());
      const std::string name = std::string("db.") + type;
      setenv("PATH", bin.Path().c_str(), 1);
      UpdateFromArchive("/" + name, archive);
      const bool ended = RunWorker();
      setenv("PATH", savedPath.c_str(), 1);
      ASSERT_TRUE(ended);
      const std::string archivePath = (fs::path(work.Path()) / name).string();
      if (c.succeeds) {
        EXPECT_EQ(LastBoxText(), kTextUpdateSucceeded);
        EXPECT_TRUE(SectionOnDevice());
        EXPECT_FALSE(InWorkingFolder(name));
      } else {
        EXPECT_EQ(LastBoxText(), ManualUnpackOutcome(archivePath));
        EXPECT_TRUE(UpdateCommands().empty()) << "nothing sent";
        EXPECT_EQ(test::ReadWholeFile(archivePath), archive) << "the archive is where the text says";
      }
      EXPECT_FALSE(InWorkingFolder(kUnpackFolderName));
      std::error_code ec;
      fs::remove(archivePath, ec);
    }
  }
#endif
}

}  // namespace
}  // namespace brindle
