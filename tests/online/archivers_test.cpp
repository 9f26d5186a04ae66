// Archiver discovery on PATH, the command lines, running them, and a real
// 7-Zip unpacking archives made in the test.
#include "online/archivers.h"
#include "read_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "online/file_search.h"
#include "online/process_runner.h"
#include "temp_dir.h"

namespace brindle {
namespace {

namespace fs = std::filesystem;

void WriteScript(const fs::path& path, const std::string& body, bool executable = true) {
  // The tests narrow PATH to their own folder; the scripts need the usual tools.
  std::ofstream(path) << "#!/bin/sh\nPATH=/usr/bin:/bin\n" << body << "\n";
  fs::permissions(path, executable ? fs::perms::owner_all : fs::perms::owner_read);
}

// Runs each test with PATH set to a folder of its own.
class ArchiverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* path = std::getenv("PATH");
    m_savedPath = path ? path : "";
    fs::create_directories(Bin());
    setenv("PATH", Bin().c_str(), 1);
  }
  void TearDown() override { setenv("PATH", m_savedPath.c_str(), 1); }
  fs::path Bin() const { return fs::path(m_dir.Path()) / "bin"; }
  fs::path Work() const { return fs::path(m_dir.Path()) / "work"; }
  fs::path Log() const { return fs::path(m_dir.Path()) / "args.log"; }
  // A fake archiver that writes its arguments, one per line, to Log().
  void AddFake(const std::string& name, bool executable = true) {
    WriteScript(Bin() / name, "printf '%s\\n' \"$(basename \"$0\")\" \"$@\" > '" + Log().string() + "'",
                executable);
  }

  test::CTempDir m_dir;
  std::string m_savedPath;
};

TEST_F(ArchiverTest, TableOrderDecides) {
  struct Case {
    std::vector<std::string> present;
    std::string chosen;  // empty: none qualifies
  };
  const Case cases[] = {
      {{"7z", "HaoZipC", "unrar", "rar", "7zz"}, "rar"},
      {{"7z", "HaoZipC", "unrar"}, "unrar"},
      {{"7zz", "7z", "HaoZipC"}, "HaoZipC"},
      {{"7zz", "7z"}, "7z"},
      {{"7zz"}, "7zz"},
      {{"WinRar.exe", "7z.exe", "unzip"}, ""},
      {{}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen);
    fs::remove_all(Bin());
    fs::create_directories(Bin());
    for (const auto& name : c.present) AddFake(name);
    std::string program = "unchanged";
    std::vector<std::string> arguments;
    const int found = FindArchiver("/w/db.zip", (Work() / "TmpTmp").string(), program, arguments);
    EXPECT_EQ(found, c.chosen.empty() ? 0 : 1);
    EXPECT_EQ(program, c.chosen.empty() ? "unchanged" : (Bin() / c.chosen).string());
  }
}

TEST_F(ArchiverTest, ProgramsThatCannotRunAndRelativeFoldersAreSkipped) {
  AddFake("rar", false);  // not executable
  fs::create_directories(Bin() / "unrar");  // a folder of that name
  AddFake("7z");
  fs::create_directories(fs::path(m_dir.Path()) / "rel");
  WriteScript(fs::path(m_dir.Path()) / "rel" / "HaoZipC", "exit 0");
  const fs::path savedCwd = fs::current_path();
  fs::current_path(m_dir.Path());
  setenv("PATH", ("rel::" + Bin().string()).c_str(), 1);
  std::string program;
  std::vector<std::string> arguments;
  const int found = FindArchiver("/w/db.zip", "/w/TmpTmp", program, arguments);
  fs::current_path(savedCwd);
  ASSERT_EQ(found, 1);
  EXPECT_EQ(program, (Bin() / "7z").string());
}

// The command lines reach the program exactly, without a shell; only the
// rar row creates the target folder itself.
TEST_F(ArchiverTest, CommandLinesReachTheArchiverExactly) {
  const std::string archive = (Work() / "data base's \"v2\".zip").string();
  const std::string target = (Work() / "TmpTmp").string();
  fs::create_directories(Work());
  struct Case {
    const char* program;
    std::vector<std::string> expected;
    bool targetCreated;
  };
  const Case cases[] = {
      {"unrar", {"unrar", "x", "-o+", "-y", "-IBCK", archive, "*.*", target}, true},
      {"HaoZipC", {"HaoZipC", "x", archive, "-aoa", "-y", "-o" + target}, false},
      {"7zz", {"7zz", "x", archive, "-aoa", "-y", "-o" + target}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    fs::remove_all(Bin());
    fs::create_directories(Bin());
    fs::remove_all(target);
    AddFake(c.program);
    std::string program;
    std::vector<std::string> arguments;
    ASSERT_EQ(FindArchiver(archive, target + "/", program, arguments), 1);
    EXPECT_EQ(fs::is_directory(target), c.targetCreated);
    int exitCode = -1;
    ASSERT_EQ(RunAndWait(program, arguments, exitCode, nullptr, Work().string()), 1);
    EXPECT_EQ(exitCode, 0);
    std::string expected;
    for (const auto& a : c.expected) expected += a + "\n";
    EXPECT_EQ(test::ReadWholeFile(Log()), expected);
  }
}

TEST_F(ArchiverTest, RunAndWaitReportsExitAndStartFailure) {
  WriteScript(Bin() / "fails", "pwd > '" + Log().string() + "'; exit 3");
  fs::create_directories(Work());
  int exitCode = -1;
  ASSERT_EQ(RunAndWait((Bin() / "fails").string(), {}, exitCode, nullptr, Work().string()), 1);
  EXPECT_EQ(exitCode, 3);
  EXPECT_EQ(test::ReadWholeFile(Log()), Work().string() + "\n") << "runs in the given folder";
  exitCode = -1;
  EXPECT_EQ(RunAndWait((Bin() / "missing").string(), {}, exitCode), 0);
  EXPECT_EQ(exitCode, -1);
}

TEST_F(ArchiverTest, StopRequestEndsTheArchiver) {
  WriteScript(Bin() / "hangs", "sleep 30");
  std::atomic<bool> stop{false};
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stop.store(true);
  });
  const auto start = std::chrono::steady_clock::now();
  int exitCode = 0;
  EXPECT_EQ(RunAndWait((Bin() / "hangs").string(), {}, exitCode, &stop), 1);
  stopper.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(exitCode, 128 + SIGTERM);
}

// The installed 7-Zip (p7zip-full) unpacks a .zip and a .7z made here; the
// update file sits in a subfolder.
TEST_F(ArchiverTest, RealSevenZipUnpacksAndTheUpdateFileIsFound) {
  if (!fs::exists("/usr/bin/7z")) GTEST_SKIP() << "p7zip-full is not installed";
  fs::create_symlink("/usr/bin/7z", Bin() / "7z");
  const fs::path source = fs::path(m_dir.Path()) / "source";
  fs::create_directories(source / "db" / "maps");
  std::ofstream(source / "db" / "maps" / "DATA.DWM", std::ios::binary) << "update payload";
  std::ofstream(source / "db" / "readme.txt") << "read me";
  fs::create_directories(Work());
  for (const char* kind : {"zip", "7z"}) {
    SCOPED_TRACE(kind);
    const fs::path archive = Work() / (std::string("db.") + kind);
    int exitCode = -1;
    ASSERT_EQ(RunAndWait((Bin() / "7z").string(), {"a", archive.string(), "db"}, exitCode, nullptr,
                         source.string()),
              1);
    ASSERT_EQ(exitCode, 0);
    const fs::path target = Work() / "TmpTmp";
    std::string program;
    std::vector<std::string> arguments;
    ASSERT_EQ(FindArchiver(archive.string(), target.string(), program, arguments), 1);
    ASSERT_EQ(RunAndWait(program, arguments, exitCode, nullptr, Work().string()), 1);
    EXPECT_EQ(exitCode, 0);
    std::string found;
    FindFiles(target.string(), IsUpdateFile, true, &found);
    EXPECT_EQ(found, (target / "db" / "maps" / "DATA.DWM").string());
    EXPECT_EQ(test::ReadWholeFile(found), "update payload");
    DeleteFolderTree(target.string());
    EXPECT_FALSE(fs::exists(target));
  }
}

}  // namespace
}  // namespace brindle
