#include "core/unique_fd.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "core/dir_stream.h"

namespace brindle {
namespace {

bool IsOpenFd(int fd) { return fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

// A descriptor of /dev/null nobody else owns.
int NewFd() {
  const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
  EXPECT_GE(fd, 0);
  return fd;
}

TEST(UniqueFdTest, ClosesWhatItOwnsOnceItGoes) {
  const int raw = NewFd();
  {
    const CUniqueFd fd(raw);
    EXPECT_TRUE(fd.IsOpen());
    EXPECT_EQ(fd.Get(), raw);
  }
  EXPECT_FALSE(IsOpenFd(raw));
}

TEST(UniqueFdTest, NegativeMeansNone) {
  const CUniqueFd none(-5);
  EXPECT_FALSE(none);
  EXPECT_EQ(none.Get(), -1);
  CUniqueFd empty;
  EXPECT_EQ(empty.Close(), 0) << "closing nothing is no error";
}

TEST(UniqueFdTest, MoveHandsOwnershipOver) {
  const int raw = NewFd();
  CUniqueFd first(raw);
  CUniqueFd second(std::move(first));
  EXPECT_FALSE(first.IsOpen());
  EXPECT_EQ(second.Get(), raw);
  {
    CUniqueFd third;
    third = std::move(second);
    EXPECT_TRUE(IsOpenFd(raw)) << "the moved-from owners must not close it";
  }
  EXPECT_FALSE(IsOpenFd(raw));
}

TEST(UniqueFdTest, MoveAssignmentClosesTheTargetsOldDescriptor) {
  const int old = NewFd();
  const int taken = NewFd();
  CUniqueFd target(old);
  target = CUniqueFd(taken);
  EXPECT_FALSE(IsOpenFd(old));
  EXPECT_TRUE(IsOpenFd(taken));
  EXPECT_EQ(target.Get(), taken);
}

TEST(UniqueFdTest, ReleaseGivesUpWithoutClosing) {
  const int raw = NewFd();
  {
    CUniqueFd fd(raw);
    EXPECT_EQ(fd.Release(), raw);
    EXPECT_FALSE(fd.IsOpen());
  }
  EXPECT_TRUE(IsOpenFd(raw));
  close(raw);
}

TEST(UniqueFdTest, ResetClosesTheOldAndKeepsTheNew) {
  const int first = NewFd();
  const int second = NewFd();
  CUniqueFd fd(first);
  fd.Reset(second);
  EXPECT_FALSE(IsOpenFd(first));
  EXPECT_TRUE(IsOpenFd(second));
  fd.Reset(second);  // the same descriptor again stays open
  EXPECT_TRUE(IsOpenFd(second));
  fd.Reset();
  EXPECT_FALSE(IsOpenFd(second));
}

TEST(UniqueFdTest, CloseReportsAFailedClose) {
  const int raw = NewFd();
  ASSERT_EQ(close(raw), 0);  // already gone: close fails with EBADF
  CUniqueFd fd(raw);
  EXPECT_EQ(fd.Close(), EBADF);
  EXPECT_FALSE(fd.IsOpen()) << "the descriptor is given up even when close fails";
}

TEST(DirStreamTest, OwnsTheFolderDescriptorOrClosesIt) {
  struct Case {
    const char* what;
    const char* path;
    int flags;
    bool stream;
  };
  const Case cases[] = {
      {"a folder becomes a stream", "/", O_RDONLY | O_DIRECTORY, true},
      {"a file cannot: its descriptor is closed", "/dev/null", O_RDONLY, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int raw = open(c.path, c.flags | O_CLOEXEC);
    ASSERT_GE(raw, 0);
    {
      CDirStream dir{CUniqueFd(raw)};
      EXPECT_EQ(static_cast<bool>(dir), c.stream);
      EXPECT_EQ(IsOpenFd(raw), c.stream);
      if (c.stream) {
        EXPECT_EQ(dir.Fd(), raw);
        EXPECT_NE(dir.Next(), nullptr) << "a folder lists at least . and ..";
      } else {
        EXPECT_EQ(dir.Next(), nullptr);
      }
    }
    EXPECT_FALSE(IsOpenFd(raw));
  }
  CDirStream none{CUniqueFd()};
  EXPECT_FALSE(none);
  EXPECT_EQ(none.Fd(), -1);
}

}  // namespace
}  // namespace brindle
