// The per-user working folder of the online route.
#include "online/working_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>

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
    if (slot) setenv(name, slot->c_str(), 1);
    else unsetenv(name);
  }
  static mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? (st.st_mode & 0777) : 0;
  }

  test::CTempDir m_dir;
  std::optional<std::string> m_cache, m_home;
};

TEST_F(WorkingFolderTest, CacheHomeThenHomeThenOverride) {
  setenv("XDG_CACHE_HOME", (m_dir.Path() + "/cache").c_str(), 1);
  EXPECT_EQ(WorkingFolderPath("Tmp"), m_dir.Path() + "/cache/brindle/Tmp");
  EXPECT_EQ(ModeOf(m_dir.Path() + "/cache/brindle"), 0700u);

  setenv("XDG_CACHE_HOME", "relative/cache", 1);  // not absolute: ignored
  setenv("HOME", (m_dir.Path() + "/home").c_str(), 1);
  EXPECT_EQ(WorkingFolderPath("TmpTmp"), m_dir.Path() + "/home/.cache/brindle/TmpTmp");
  EXPECT_EQ(ModeOf(m_dir.Path() + "/home/.cache/brindle"), 0700u);

  unsetenv("XDG_CACHE_HOME");
  EXPECT_EQ(WorkingFolder(), m_dir.Path() + "/home/.cache/brindle");

  SetWorkingFolderOverride(m_dir.Path() + "/override/");
  EXPECT_EQ(WorkingFolderPath("db.zip"), m_dir.Path() + "/override/db.zip");
  EXPECT_EQ(ModeOf(m_dir.Path() + "/override"), 0700u);
}

}  // namespace
}  // namespace brindle
