#include "core/shared_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "core/dir_stream.h"

namespace brindle {

namespace {

constexpr const char* kDefaultLockFolder = "/run/lock";
// A lock file replaced under us (released and removed by its holder between
// our open and our flock) is opened again; this bounds the retries.
constexpr int kReplacedRetries = 16;

std::string TrustProblem(const struct stat& st) {
  if (!S_ISDIR(st.st_mode)) return "is not a folder";
  if (st.st_uid != geteuid() && st.st_uid != 0) return "belongs to another user";
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0)
    return "may be written by others and has no sticky bit";
  return {};
}

// Our lock files; only these are ever swept.
constexpr const char* kOwnPrefix = "brindle-";
constexpr const char* kOwnSuffix = ".lock";

bool IsOwnLockName(const std::string& name) {
  const std::string prefix = kOwnPrefix, suffix = kOwnSuffix;
  return name.size() > prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Removes the lock files of this user that nobody holds: those of killed
// holders, which could not remove their own (a simulated device's lock is
// named after its process, so no later holder would ever take it over). A
// file is removed only while we hold it, so whoever opened it meanwhile
// sees that its name is gone and opens the name again.
void SweepUnheldLockFiles(int dirFd, const std::string& keep) {
  CDirStream dir(CUniqueFd(openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)));
  while (const dirent* entry = dir.Next()) {
    const std::string name = entry->d_name;
    if (name == keep || !IsOwnLockName(name)) continue;
    const CUniqueFd fd(
        openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) continue;
    struct stat st {};
    struct stat now {};
    if (fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() &&
        flock(fd.Get(), LOCK_EX | LOCK_NB) == 0 &&
        fstatat(dirFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == st.st_dev &&
        now.st_ino == st.st_ino)
      unlinkat(dirFd, name.c_str(), 0);
  }
}

}  // namespace

std::string SharedLockFolder() {
  const char* folder = std::getenv("BRINDLE_LOCK_DIR");
  if (folder && folder[0] == '/') return folder;
  return kDefaultLockFolder;
}

std::string LockFolderProblem(const std::string& folder) {
  struct stat st {};
  if (lstat(folder.c_str(), &st) != 0) return std::strerror(errno);
  return TrustProblem(st);
}

LockResult CSharedLock::Fail(const std::string& what, int err) {
  m_error = err ? what + ": " + std::strerror(err) : what;
  m_errno = err;
  Release();
  return LockResult::kUnusable;
}

LockResult CSharedLock::Flock(CUniqueFd fd, const std::string& what) {
  if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    if (err == EWOULDBLOCK) {
      Release();
      return LockResult::kHeld;
    }
    return Fail("cannot lock " + what, err);
  }
  m_fd = std::move(fd);
  return LockResult::kAcquired;
}

LockResult CSharedLock::TryAcquireNode(const std::string& path) {
  Release();
  m_error.clear();
  m_errno = 0;
  // Read access is all flock needs; O_NONBLOCK so that no node kind can
  // keep the open waiting.
  CUniqueFd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd) return Fail("cannot open " + path + " to lock it", errno);
  return Flock(std::move(fd), path);
}

LockResult CSharedLock::TryAcquireFile(const std::string& folder, const std::string& name) {
  Release();
  m_error.clear();
  m_errno = 0;
  if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
    return Fail("bad lock name " + name, 0);
  // The folder is opened once and checked through that handle, so it cannot
  // be swapped between the check and its use.
  m_dirFd.Reset(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!m_dirFd) return Fail("the lock folder " + folder + " cannot be used", errno);
  struct stat dir {};
  if (fstat(m_dirFd.Get(), &dir) != 0) return Fail("the lock folder " + folder + " cannot be used", errno);
  if (const std::string problem = TrustProblem(dir); !problem.empty())
    return Fail("the lock folder " + folder + " " + problem, 0);

  const std::string path = folder + "/" + name;
  for (int attempt = 0; attempt < kReplacedRetries; ++attempt) {
    // An existing file is opened without O_CREAT: in a sticky folder the
    // kernel refuses O_CREAT on another user's file (protected_regular).
    CUniqueFd fd(
        openat(m_dirFd.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd && errno == ENOENT) {
      fd.Reset(
          openat(m_dirFd.Get(), name.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
      if (!fd && errno == EEXIST) continue;
      // Other users must be able to open it to see that it is held.
      if (fd) fchmod(fd.Get(), 0644);
    }
    if (!fd) return Fail("cannot open the lock file " + path, errno);
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
      return Fail("the lock file " + path + " is not a regular file", 0);
    const LockResult locked = Flock(std::move(fd), path);
    if (locked != LockResult::kAcquired) return locked;
    // The holder before us removes the file while it still holds it: if the
    // name now leads elsewhere (or nowhere), our lock is on a dead file.
    struct stat now {};
    if (fstatat(m_dirFd.Get(), name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 || now.st_dev != st.st_dev ||
        now.st_ino != st.st_ino) {
      m_fd.Reset();
      continue;
    }
    m_name = name;
    SweepUnheldLockFiles(m_dirFd.Get(), name);
    return LockResult::kAcquired;
  }
  Release();
  return LockResult::kHeld;
}

void CSharedLock::Release() {
  if (m_fd) {
    // Removed while still held, so whoever opened it meanwhile sees that it
    // is gone and opens the name again. In a sticky folder only the file's
    // owner may remove it; another user's leftover simply stays.
    if (m_dirFd && !m_name.empty()) unlinkat(m_dirFd.Get(), m_name.c_str(), 0);
    m_fd.Reset();  // closing drops the flock
  }
  m_dirFd.Reset();
  m_name.clear();
}

}  // namespace brindle
