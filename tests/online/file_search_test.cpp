// Update-file search and removal of the unpacked tree.
#include "online/file_search.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "temp_dir.h"

namespace brindle {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& path, const std::string& text = "x") {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

TEST(IsUpdateFileTest, ExtensionRule) {
  struct Case {
    const char* path;
    uint32_t attributes;
    bool match;
  };
  const Case cases[] = {
      {"/w/TmpTmp/DATA.DWM", kFileAttributeNormal, true},
      {"/w/TmpTmp/data.Dwm", kFileAttributeNormal, true},
      {"/w/TmpTmp/data.dwm", kFileAttributeNormal, true},
      {"/w/TmpTmp/data..dwm", kFileAttributeNormal, true},
      {"/w/TmpTmp/.dwm", kFileAttributeNormal, true},
      {"/w/TmpTmp/data.dwm.bak", kFileAttributeNormal, false},
      {"/w/TmpTmp/datadwm", kFileAttributeNormal, false},
      {"/w/TmpTmp/data.dwmx", kFileAttributeNormal, false},
      {"/w/sub.dwm/data", kFileAttributeNormal, false},  // the last dot is in a folder name
      {"/w/TmpTmp/folder.dwm", kFileAttributeDirectory, false},
      {"/w/TmpTmp/link.dwm", kFileAttributeReparsePoint, false},
      {"/w/TmpTmp/fifo.dwm", kFileAttributeDevice, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::string found = "untouched";
    EXPECT_EQ(IsUpdateFile(c.path, c.attributes, &found), c.match);
    EXPECT_EQ(found, c.match ? c.path : "untouched");
  }
}

class FileSearchTest : public ::testing::Test {
 protected:
  fs::path Root() const { return fs::path(m_dir.Path()) / "TmpTmp"; }
  fs::path Outside() const { return fs::path(m_dir.Path()) / "outside"; }
  test::CTempDir m_dir;
};

TEST_F(FileSearchTest, FindsTheUpdateFileAtAnyDepth) {
  Touch(Root() / "readme.txt");
  Touch(Root() / "a" / "b" / "c" / "Data.DWM");
  Touch(Root() / "a" / "other.bin");
  std::string found;
  EXPECT_GT(FindFiles(Root().string(), IsUpdateFile, true, &found), 0);
  EXPECT_EQ(fs::path(found).lexically_normal(), (Root() / "a" / "b" / "c" / "Data.DWM").lexically_normal());
}

TEST_F(FileSearchTest, TopLevelMatchWinsOverSubfolders) {
  // Whatever the order of the entries, a match in the top folder ends the
  // search and overwrites anything found in a subfolder before it.
  Touch(Root() / "sub" / "deep.dwm");
  Touch(Root() / "top.dwm");
  std::string found;
  FindFiles(Root().string(), IsUpdateFile, true, &found);
  EXPECT_EQ(fs::path(found).lexically_normal(), (Root() / "top.dwm").lexically_normal());
}

TEST_F(FileSearchTest, CountsAndFailures) {
  Touch(Root() / "one");
  Touch(Root() / "two");
  Touch(Root() / "sub" / "three");
  const auto never = [](const std::string&, uint32_t, void*) { return false; };
  EXPECT_EQ(FindFiles(Root().string(), never, true, nullptr), 3);
  // Without recursion every entry reaches the callback, "." and ".." included.
  EXPECT_EQ(FindFiles(Root().string() + "/", never, false, nullptr), 5);
  EXPECT_EQ(FindFiles((Root() / "missing").string(), never, true, nullptr), -1);
  EXPECT_EQ(FindFiles((Root() / "one").string(), never, true, nullptr), -1);
}

TEST_F(FileSearchTest, SymbolicLinksAreNeitherFollowedNorTaken) {
#ifdef _WIN32
  GTEST_SKIP() << "needs symbolic links: MinGW's runtime cannot create them on Windows";
#else
  Touch(Outside() / "foreign.dwm", "not ours");
  Touch(Outside() / "keep.txt", "keep");
  Touch(Root() / "data.txt");
  fs::create_directory_symlink(Outside(), Root() / "escape");
  fs::create_symlink(Outside() / "foreign.dwm", Root() / "link.dwm");
  fs::create_directory_symlink("/", Root() / "root");

  std::string found;
  FindFiles(Root().string(), IsUpdateFile, true, &found);
  EXPECT_EQ(found, "");

  DeleteFolderTree(Root().string());
  EXPECT_FALSE(fs::exists(fs::symlink_status(Root())));
  EXPECT_TRUE(fs::exists(Outside() / "foreign.dwm"));
  EXPECT_TRUE(fs::exists(Outside() / "keep.txt"));
#endif
}

TEST_F(FileSearchTest, DeleteFolderTreeRemovesEverythingInside) {
  Touch(Root() / "a.dwm");
  Touch(Root() / "x" / "y" / "z.bin");
  fs::create_directories(Root() / "empty");
  DeleteFolderTree(Root().string() + "/");
  EXPECT_FALSE(fs::exists(Root()));
  EXPECT_TRUE(fs::exists(m_dir.Path()));
  DeleteFolderTree(Root().string());  // a missing folder is harmless
}

TEST_F(FileSearchTest, DeleteFolderTreeOnALinkRemovesOnlyTheLink) {
#ifdef _WIN32
  GTEST_SKIP() << "needs symbolic links: MinGW's runtime cannot create them on Windows";
#else
  Touch(Outside() / "keep.txt");
  fs::create_directory_symlink(Outside(), Root());
  DeleteFolderTree(Root().string());
  EXPECT_FALSE(fs::exists(fs::symlink_status(Root())));
  EXPECT_TRUE(fs::exists(Outside() / "keep.txt"));
#endif
}

TEST_F(FileSearchTest, FileExists) {
  Touch(Root() / "f");
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists((Root() / "missing").string()));
  EXPECT_TRUE(FileExists((Root() / "f").string()));
}

}  // namespace
}  // namespace brindle
