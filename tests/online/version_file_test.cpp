// The version file: two lines read as text, 259 characters each at most.
#include "online/version_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "temp_dir.h"

namespace brindle {
namespace {

TEST(VersionFileTest, LinesAreReadAsText) {
  const std::string longDigits(300, '7');
  struct Case {
    const char* name;
    std::string bytes;
    int result;
    int version;
    std::string versionLine;
    std::string archiveUrl;
  };
  const Case cases[] = {
      {"CR LF lines", "20240115\r\nhttp://h/db.zip\r\n", 1, 20240115, "20240115\n", "http://h/db.zip"},
      {"LF lines, more lines ignored", "5\nhttp://h/a.7z\nthird\n", 1, 5, "5\n", "http://h/a.7z"},
      {"second line without end", "12\nhttp://h/b.rar", 1, 12, "12\n", "http://h/b.rar"},
      {"only one line", "20240115\r\n", 0, 0, "", ""},
      {"empty file", "", 0, 0, "", ""},
      {"first line only its end", "\nhttp://h/c.zip\n", 1, 0, "\n", "http://h/c.zip"},
      {"no digits", "v2024\nhttp://h/d.zip\n", 1, 0, "v2024\n", "http://h/d.zip"},
      {"blanks and sign", "  -42abc\nu\n", 1, -42, "  -42abc\n", "u"},
      {"plus sign", "\t+17\nu\n", 1, 17, "\t+17\n", "u"},
      {"second line only its end", "3\n\n", 1, 3, "3\n", ""},
      {"lone CR stays inside the line", "1\nab\rcd\n", 1, 1, "1\n", "ab\rcd"},
      // The rest of an overlong line is skipped, not taken as the next line.
      {"300-character first line", longDigits + "\nhttp://h/e.zip\n", 1, INT_MAX,
       std::string(kVersionLineMax, '7'), "http://h/e.zip"},
      {"300-character second line", "1\n" + std::string(300, 'u') + "\n", 1, 1, "1\n",
       std::string(kVersionLineMax, 'u')},
      {"second line of exactly 259 plus CR LF", "1\n" + std::string(259, 'w') + "\r\n", 1, 1, "1\n",
       std::string(259, 'w')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VersionFileContent content;
    EXPECT_EQ(ParseVersionFile(c.bytes, content), c.result);
    if (c.result != 1) continue;
    EXPECT_EQ(content.version, c.version);
    EXPECT_EQ(content.versionLine, c.versionLine);
    EXPECT_EQ(content.archiveUrl, c.archiveUrl);
  }
}

TEST(VersionFileTest, LeadingNumberSaturates) {
  EXPECT_EQ(LeadingNumber("2147483647"), INT_MAX);
  EXPECT_EQ(LeadingNumber("2147483648"), INT_MAX);
  EXPECT_EQ(LeadingNumber("-2147483648"), INT_MIN);
  EXPECT_EQ(LeadingNumber("-99999999999999999999"), INT_MIN);
  EXPECT_EQ(LeadingNumber("- 5"), 0);
  EXPECT_EQ(LeadingNumber(""), 0);
}

TEST(VersionFileTest, ReadsTheFileAndLeavesIt) {
  test::CTempDir dir;
  const std::string path = dir.Path() + "/Tmp";
  VersionFileContent content;
  EXPECT_EQ(ReadVersionFile(path, content), 0) << "a missing file is a failed check";
  std::ofstream(path, std::ios::binary) << "20230601\r\nhttp://example.test/db.zip\r\n";
  ASSERT_EQ(ReadVersionFile(path, content), 1);
  EXPECT_EQ(content.version, 20230601);
  EXPECT_EQ(content.archiveUrl, "http://example.test/db.zip");
  EXPECT_TRUE(std::ifstream(path).good());
}

// Bytes this process has read so far, from the kernel's own count.
#ifndef _WIN32
long long BytesReadByThisProcess() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long long value = -1;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return -1;
}
#endif

TEST(VersionFileTest, ReadsOnlyUpToTheEndOfTheSecondLine) {
#ifdef _WIN32
  GTEST_SKIP()
      << "counts bytes read through Linux's /proc/self/io, which under Wine also counts Wine's own reads";
#else
  test::CTempDir dir;
  const std::string path = dir.Path() + "/Tmp";
  std::ofstream(path, std::ios::binary) << "7\nhttp://h/db.zip\n" << std::string(4 << 20, 'x');
  VersionFileContent content;
  const long long before = BytesReadByThisProcess();
  ASSERT_GE(before, 0);
  ASSERT_EQ(ReadVersionFile(path, content), 1);
  EXPECT_LT(BytesReadByThisProcess() - before, 4096);
  EXPECT_EQ(content.archiveUrl, "http://h/db.zip");

  // A second line that does not end within the limit would give a cut URL.
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      << "7\nhttp://h/" << std::string(kVersionFileReadLimit, 'u') << ".zip\n";
  EXPECT_EQ(ReadVersionFile(path, content), 0);
#endif
}

// Only a regular file is a version file: a link is not followed and a FIFO
// is not waited on.
TEST(VersionFileTest, LinksFifosAndFoldersAreNotRead) {
#ifdef _WIN32
  GTEST_SKIP() << "needs a symbolic link and a FIFO: MinGW's runtime creates neither on Windows";
#else
  test::CTempDir dir;
  const std::string real = dir.Path() + "/real", link = dir.Path() + "/link";
  const std::string fifo = dir.Path() + "/fifo", folder = dir.Path() + "/folder";
  std::ofstream(real, std::ios::binary) << "5\nhttp://h/db.zip\n";
  std::filesystem::create_symlink(real, link);
  std::filesystem::create_directory(folder);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Should a reader block on the FIFO, a late writer frees it so the test ends.
  std::atomic<bool> done{false};
  std::thread unblock([&] {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!done.load() && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) close(fd);
  });
  for (const std::string& path : {link, fifo, folder}) {
    SCOPED_TRACE(path);
    VersionFileContent content;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadVersionFile(path, content), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  }
  done.store(true);
  unblock.join();
  VersionFileContent content;
  EXPECT_EQ(ReadVersionFile(real, content), 1);
#endif
}

}  // namespace
}  // namespace brindle
