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

#include "environment.h"
#include "online/archive_unpacker.h"
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
    test::SetEnvironment("PATH", Bin().string());
  }
  void TearDown() override { test::SetEnvironment("PATH", m_savedPath); }
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
#ifdef _WIN32
  GTEST_SKIP() << "the Linux archiver search: shell-script archivers on PATH; the Windows search is checked "
                  "in windows_online_tests";
#else
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
#endif
}

TEST_F(ArchiverTest, ProgramsThatCannotRunAndRelativeFoldersAreSkipped) {
#ifdef _WIN32
  GTEST_SKIP() << "the Linux archiver search: shell-script archivers on PATH; the Windows search is checked "
                  "in windows_online_tests";
#else
  AddFake("rar", false);                    // not executable
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
#endif
}

// The command lines reach the program exactly, without a shell; only the
// rar row creates the target folder itself.
TEST_F(ArchiverTest, CommandLinesReachTheArchiverExactly) {
#ifdef _WIN32
  GTEST_SKIP() << "the Linux archiver search: shell-script archivers on PATH; the Windows search is checked "
                  "in windows_online_tests";
#else
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
#endif
}

TEST_F(ArchiverTest, RunAndWaitReportsExitAndStartFailure) {
#ifdef _WIN32
  GTEST_SKIP() << "the Linux archiver search: shell-script archivers on PATH; the Windows search is checked "
                  "in windows_online_tests";
#else
  WriteScript(Bin() / "fails", "pwd > '" + Log().string() + "'; exit 3");
  fs::create_directories(Work());
  int exitCode = -1;
  ASSERT_EQ(RunAndWait((Bin() / "fails").string(), {}, exitCode, nullptr, Work().string()), 1);
  EXPECT_EQ(exitCode, 3);
  EXPECT_EQ(test::ReadWholeFile(Log()), Work().string() + "\n") << "runs in the given folder";
  exitCode = -1;
  EXPECT_EQ(RunAndWait((Bin() / "missing").string(), {}, exitCode), 0);
  EXPECT_EQ(exitCode, -1);
#endif
}

TEST_F(ArchiverTest, StopRequestEndsTheArchiver) {
#ifdef _WIN32
  GTEST_SKIP() << "the Linux archiver search: shell-script archivers on PATH; the Windows search is checked "
                  "in windows_online_tests";
#else
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
#endif
}

// The installed 7-Zip (p7zip-full) unpacks a .zip and a .7z made here; the
// update file sits in a subfolder.
TEST_F(ArchiverTest, RealSevenZipUnpacksAndTheUpdateFileIsFound) {
#ifdef _WIN32
  GTEST_SKIP() << "the Linux archiver search: shell-script archivers on PATH; the Windows search is checked "
                  "in windows_online_tests";
#else
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
#endif
}

// Writes bytes to path.
void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

const std::string kZipHead("PK\x03\x04\x14\x00\x00\x00", 8);
const std::string kSevenZipHead("7z\xBC\xAF\x27\x1C\x00\x04", 8);
const std::string kRar4Head("Rar!\x1A\x07\x00\xCF", 8);
const std::string kRar5Head("Rar!\x1A\x07\x01\x00", 8);

// The archive's first bytes decide its kind, whatever its name says.
TEST_F(ArchiverTest, KindComesFromTheSignature) {
  fs::create_directories(Work());
  struct Case {
    const char* name;
    std::string bytes;
    ArchiveKind kind;
  };
  const Case cases[] = {
      {"zip.rar", kZipHead + "rest", ArchiveKind::kZip},
      {"empty.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'), ArchiveKind::kZip},
      {"spanned.7z", std::string("PK\x07\x08", 4), ArchiveKind::kZip},
      {"sevenzip.zip", kSevenZipHead, ArchiveKind::kSevenZip},
      {"rar4.zip", kRar4Head, ArchiveKind::kRar},
      {"rar5.7z", kRar5Head, ArchiveKind::kRar},
      {"html.zip", "<html>not found</html>", ArchiveKind::kUnknown},
      {"short.zip", "PK", ArchiveKind::kUnknown},
      {"empty-file.zip", "", ArchiveKind::kUnknown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(Work() / c.name, c.bytes);
    EXPECT_EQ(ArchiveKindOf((Work() / c.name).string()), c.kind);
  }
  EXPECT_EQ(ArchiveKindOf((Work() / "missing.zip").string()), ArchiveKind::kUnknown);
#ifndef _WIN32  // (MinGW's runtime makes no FIFO)
  const fs::path fifo = Work() / "fifo.zip";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ArchiveKindOf(fifo.string()), ArchiveKind::kUnknown) << "and it does not wait";
#endif
}

// rar and unrar take RAR archives only; HaoZip and 7-Zip all three kinds.
TEST_F(ArchiverTest, OnlyFittingArchiversAreChosen) {
#ifdef _WIN32
  GTEST_SKIP() << "the Linux archiver search: shell-script archivers on PATH; the Windows search is checked "
                  "in windows_online_tests";
#else
  for (const char* name : {"rar", "unrar", "HaoZipC", "7z", "7zz"}) AddFake(name);
  fs::create_directories(Work());
  struct Case {
    std::string head;
    std::vector<std::string> programs;
  };
  const Case cases[] = {
      {kZipHead, {"HaoZipC", "7z", "7zz"}},
      {kSevenZipHead, {"HaoZipC", "7z", "7zz"}},
      {kRar5Head, {"rar", "unrar", "HaoZipC", "7z", "7zz"}},
      {"no signature", {"rar", "unrar", "HaoZipC", "7z", "7zz"}},
  };
  const std::string archive = (Work() / "db.zip").string();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.programs.size());
    WriteBytes(archive, c.head);
    std::vector<std::string> programs;
    for (const auto& command : FittingArchivers(archive, (Work() / "TmpTmp").string()))
      programs.push_back(fs::path(command.program).filename().string());
    EXPECT_EQ(programs, c.programs);
  }
  // The first fitting one is what FindArchiver gives.
  WriteBytes(archive, kZipHead);
  std::string program;
  std::vector<std::string> arguments;
  ASSERT_EQ(FindArchiver(archive, (Work() / "TmpTmp").string(), program, arguments), 1);
  EXPECT_EQ(program, (Bin() / "HaoZipC").string());
#endif
}

// With only RAR tools on PATH a zip has no archiver; nothing is run.
TEST_F(ArchiverTest, ZipWithOnlyRarToolsHasNoArchiver) {
#ifdef _WIN32
  GTEST_SKIP() << "the Linux archiver search: shell-script archivers on PATH; the Windows search is checked "
                  "in windows_online_tests";
#else
  AddFake("unrar");
  AddFake("rar");
  fs::create_directories(Work());
  const std::string archive = (Work() / "db.zip").string();
  WriteBytes(archive, kZipHead);
  std::string program;
  std::vector<std::string> arguments;
  EXPECT_EQ(FindArchiver(archive, (Work() / "TmpTmp").string(), program, arguments), 0);
  bool asked = false;
  EXPECT_EQ(UnpackArchive(archive, (Work() / "TmpTmp").string(), nullptr, [&] { return asked = true; }),
            UnpackResult::kNoArchiver);
  EXPECT_FALSE(asked);
  EXPECT_FALSE(fs::exists(Log())) << "no archiver ran";
#endif
}

// Each fitting archiver is tried until one ends well with a usable result;
// a failed one's partial output is gone before the next one runs.
TEST_F(ArchiverTest, FailedArchiverFallsBackToTheNextFittingOne) {
#ifdef _WIN32
  GTEST_SKIP() << "the Linux archiver search: shell-script archivers on PATH; the Windows search is checked "
                  "in windows_online_tests";
#else
  fs::create_directories(Work());
  const fs::path target = Work() / "TmpTmp";
  const std::string archive = (Work() / "db.7z").string();
  WriteBytes(archive, kSevenZipHead);
  const std::string outTarget = "\"$(echo \"$5\" | cut -c3-)\"";  // the folder after -o
  // HaoZipC dies half-way, leaving a cut update file; 7z leaves nothing
  // usable although it says it succeeded; 7zz does the job.
  WriteScript(Bin() / "HaoZipC", "mkdir -p " + outTarget + "; echo cut > " + outTarget +
                                     "/half.dwm; echo HaoZipC >> '" + Log().string() + "'; exit 2");
  WriteScript(Bin() / "7z", "mkdir -p " + outTarget + "; echo 7z >> '" + Log().string() + "'; exit 0");
  WriteScript(Bin() / "7zz", "mkdir -p " + outTarget + "; echo whole > " + outTarget +
                                 "/db.dwm; echo 7zz >> '" + Log().string() + "'; exit 0");
  AddFake("unrar");  // never run: a 7z archive is no RAR
  std::vector<std::string> seen;
  const auto unpacked = [&] {
    std::string found;
    FindFiles(target.string(), IsUpdateFile, true, &found);
    seen.push_back(found.empty() ? "" : fs::path(found).filename().string());
    return !found.empty();
  };
  EXPECT_EQ(UnpackArchive(archive, target.string(), nullptr, unpacked), UnpackResult::kUnpacked);
  EXPECT_EQ(test::ReadWholeFile(Log()), "HaoZipC\n7z\n7zz\n");
  EXPECT_EQ(seen, (std::vector<std::string>{"", "db.dwm"})) << "a failed run is never searched";
  EXPECT_FALSE(fs::exists(target / "half.dwm"));
  EXPECT_EQ(test::ReadWholeFile(target / "db.dwm"), "whole\n");

  // When every one fails, nothing of theirs stays.
  fs::remove(Bin() / "7zz");
  fs::remove(Log());
  EXPECT_EQ(UnpackArchive(archive, target.string(), nullptr, unpacked), UnpackResult::kFailed);
  EXPECT_EQ(test::ReadWholeFile(Log()), "HaoZipC\n7z\n");
  EXPECT_FALSE(fs::exists(target));
#endif
}

}  // namespace
}  // namespace brindle
