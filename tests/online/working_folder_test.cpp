// The per-user working folder of the online route and each run's own
// folder in it.
#include "online/working_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "environment.h"
#include "temp_dir.h"

namespace brindle {
namespace {

class WorkingFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Save("XDG_CACHE_HOME", m_cache);
    Save("HOME", m_home);
    SetWorkingFolderOverride("");
  }
  void TearDown() override {
    Restore("XDG_CACHE_HOME", m_cache);
    Restore("HOME", m_home);
    SetWorkingFolderOverride("");
  }
  static void Save(const char* name, std::optional<std::string>& slot) {
    if (const char* v = std::getenv(name)) slot = v;
  }
  static void Restore(const char* name, const std::optional<std::string>& slot) {
    if (slot)
      test::SetEnvironment(name, *slot);
    else
      test::UnsetEnvironment(name);
  }
  static mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? (st.st_mode & 0777) : 0;
  }

  test::CTempDir m_dir;
  std::optional<std::string> m_cache, m_home;
};

TEST_F(WorkingFolderTest, CacheHomeThenHomeThenOverride) {
#ifdef _WIN32
  GTEST_SKIP()
      << "the Linux working folder: XDG_CACHE_HOME and HOME, folder modes, run folders held with flock";
#else
  setenv("XDG_CACHE_HOME", (m_dir.Path() + "/cache").c_str(), 1);
  EXPECT_EQ(WorkingFolder(), m_dir.Path() + "/cache/brindle");
  EXPECT_EQ(ModeOf(m_dir.Path() + "/cache/brindle"), 0700u);

  setenv("XDG_CACHE_HOME", "relative/cache", 1);  // not absolute: ignored
  setenv("HOME", (m_dir.Path() + "/home").c_str(), 1);
  EXPECT_EQ(WorkingFolder(), m_dir.Path() + "/home/.cache/brindle");
  EXPECT_EQ(ModeOf(m_dir.Path() + "/home/.cache/brindle"), 0700u);

  unsetenv("XDG_CACHE_HOME");
  EXPECT_EQ(WorkingFolder(), m_dir.Path() + "/home/.cache/brindle");

  SetWorkingFolderOverride(m_dir.Path() + "/override/");
  EXPECT_EQ(WorkingFolder(), m_dir.Path() + "/override");
  EXPECT_EQ(ModeOf(m_dir.Path() + "/override"), 0700u);
#endif
}

// Each run's files live in a fresh folder of its own, gone when it ends; a
// folder an ended run left behind is removed first. The same on every system.
TEST_F(WorkingFolderTest, EachRunHasAFreshFolderOfItsOwn) {
#ifdef _WIN32
  const std::string sep = "\\";
#else
  const std::string sep = "/";
#endif
  SetWorkingFolderOverride(m_dir.Path());
  const std::string stale = m_dir.Path() + "/run-dead01";
  std::filesystem::create_directories(stale + "/TmpTmp/db");
  std::ofstream(stale + "/TmpTmp/db/map.dwm") << "x";

  const std::string run = RunFolder();
  ASSERT_EQ(run.rfind(m_dir.Path() + sep + "run-", 0), 0u) << run;
  EXPECT_FALSE(std::filesystem::exists(stale)) << "an ended run's folder is nobody's";
  EXPECT_EQ(RunFolder(), run) << "one folder for the whole run";
  EXPECT_EQ(WorkingFolderPath("Tmp"), run + sep + "Tmp");
  std::filesystem::create_directories(run + "/TmpTmp/db");
  std::ofstream(run + "/TmpTmp/db/map.dwm") << "x";
#ifndef _WIN32
  EXPECT_EQ(ModeOf(run), 0700u);
  ASSERT_EQ(chmod((run + "/TmpTmp/db").c_str(), 0500), 0);  // archives carry read-only folders
#else
  // Held open without delete sharing: nobody removes or renames it meanwhile.
  std::error_code ec;
  std::filesystem::rename(run, m_dir.Path() + "/moved", ec);
  EXPECT_TRUE(ec) << "a held run folder cannot be moved away";
  EXPECT_TRUE(std::filesystem::exists(run));
#endif
  std::ofstream(run + "/Tmp") << "x";

  // An archive left to the user moves up and outlives the run.
  std::ofstream(run + "/db.zip") << "zip";
  EXPECT_EQ(KeepInWorkingFolder(run + sep + "db.zip"), m_dir.Path() + sep + "db.zip");

  EndRunFolder();
  EXPECT_FALSE(std::filesystem::exists(run));
  EXPECT_TRUE(std::filesystem::exists(m_dir.Path() + "/db.zip"));
  const std::string next = RunFolder();
  EXPECT_NE(next, run);
  EXPECT_TRUE(std::filesystem::is_empty(next));
  EndRunFolder();
}

// A run killed before it could clean up leaves its folder; the next run
// removes it, never a live run's folder and nothing a link points at.
TEST_F(WorkingFolderTest, FoldersOfEndedRunsAreRemovedLiveOnesStay) {
#ifdef _WIN32
  GTEST_SKIP()
      << "the Linux working folder: XDG_CACHE_HOME and HOME, folder modes, run folders held with flock";
#else
  const std::string base = m_dir.Path() + "/work";
  const std::string outside = m_dir.Path() + "/precious";
  std::filesystem::create_directories(outside);
  std::ofstream(outside + "/keep.txt") << "mine";
  SetWorkingFolderOverride(base);

  // A live run in another process: it holds its folder as the program does.
  int ready[2], done[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(done), 0);
  const pid_t live = fork();
  ASSERT_GE(live, 0);
  if (live == 0) {
    close(ready[0]);
    close(done[1]);
    const std::string folder = RunFolder();
    std::ofstream(folder + "/Tmp") << "busy";
    const char ok = folder.empty() ? 'n' : 'y';
    if (write(ready[1], &ok, 1) != 1) _exit(1);
    char c;
    while (read(done[0], &c, 1) > 0) {
    }
    _exit(0);  // ends as a killed run would: without removing its folder
  }
  close(ready[1]);
  close(done[0]);
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, 'y');

  // An ended run's folder, with a link out of it and a read-only folder.
  const std::string stale = base + "/run-dead01";
  std::filesystem::create_directories(stale + "/TmpTmp/deep");
  std::ofstream(stale + "/TmpTmp/deep/x.dwm") << "x";
  std::filesystem::create_directory_symlink(outside, stale + "/TmpTmp/link");
  ASSERT_EQ(chmod((stale + "/TmpTmp").c_str(), 0500), 0);
  std::ofstream(base + "/db.zip") << "kept for the user";

  const std::string mine = RunFolder();
  ASSERT_FALSE(mine.empty());
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_TRUE(std::filesystem::exists(outside + "/keep.txt")) << "a link is never followed";
  EXPECT_TRUE(std::filesystem::exists(base + "/db.zip"));
  int runFolders = 0;
  for (const auto& e : std::filesystem::directory_iterator(base))
    runFolders += e.path().filename().string().rfind("run-", 0) == 0;
  EXPECT_EQ(runFolders, 2) << "the live run's folder and ours";

  close(done[1]);
  waitpid(live, nullptr, 0);
  EndRunFolder();
  // Now that the other run is gone too, a new run clears its folder away.
  const std::string again = RunFolder();
  EndRunFolder();
  runFolders = 0;
  for (const auto& e : std::filesystem::directory_iterator(base))
    runFolders += e.path().filename().string().rfind("run-", 0) == 0;
  EXPECT_EQ(runFolders, 0);
  close(ready[0]);
#endif
}

TEST_F(WorkingFolderTest, AWorkingFolderOfAnotherUserIsNotUsed) {
#ifdef _WIN32
  GTEST_SKIP()
      << "the Linux working folder: XDG_CACHE_HOME and HOME, folder modes, run folders held with flock";
#else
  if (geteuid() != 0) GTEST_SKIP() << "only root can give a folder away";
  const std::string base = m_dir.Path() + "/theirs";
  ASSERT_EQ(mkdir(base.c_str(), 0777), 0);
  ASSERT_EQ(chown(base.c_str(), 65534, 65534), 0);
  SetWorkingFolderOverride(base);
  EXPECT_EQ(RunFolder(), "");
  EXPECT_EQ(WorkingFolderPath("Tmp"), "");
  EXPECT_TRUE(std::filesystem::is_empty(base));
#endif
}

}  // namespace
}  // namespace brindle
