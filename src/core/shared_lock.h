#pragma once
// Locks that every process on the machine sees alike, whatever its
// environment, session or user: an flock on a device node itself, or on a
// lock file in a folder all processes share (/run/lock). Lock files are
// removed again when released. On Windows a lock is a named mutex instead
// (core/windows/shared_lock.cpp): its existence is the lock.
#include <string>

#include "core/unique_fd.h"

namespace brindle {

enum class LockResult {
  kAcquired,
  kHeld,      // another holder has it
  kUnusable,  // it cannot be taken at all (see the error text)
};

// The machine's folder of lock files: /run/lock. BRINDLE_LOCK_DIR (an
// absolute path) replaces it for test runs and systems without /run/lock;
// every process that must exclude another has to see the same folder.
std::string SharedLockFolder();

// Why folder cannot hold our lock files, or "" when it can: it must be a
// real folder (no symbolic link) owned by this user or by root, and when
// others may write into it, the sticky bit must keep them from removing or
// replacing our files.
std::string LockFolderProblem(const std::string& folder);

// A held lock; released when destroyed. Locks are per open file, so two
// locks on one target conflict even inside one process.
class CSharedLock {
 public:
  CSharedLock() = default;
  ~CSharedLock() { Release(); }
  CSharedLock(const CSharedLock&) = delete;
  CSharedLock& operator=(const CSharedLock&) = delete;

  // flock on the node at path itself (a device node): nothing is created.
  LockResult TryAcquireNode(const std::string& path);
  // flock on the file name in folder, created when missing and removed on
  // Release. The folder must pass LockFolderProblem.
  LockResult TryAcquireFile(const std::string& folder, const std::string& name);
  void Release();
  bool IsHeld() const { return m_fd.IsOpen() || m_mutex != nullptr; }
  // Why the last attempt gave kUnusable, and the errno behind it (0 when
  // the refusal was ours).
  const std::string& Error() const { return m_error; }
  int ErrorNumber() const { return m_errno; }

 private:
  LockResult Fail(const std::string& what, int err);
  // Takes the flock on fd for this lock: kAcquired (the lock then owns fd),
  // kHeld, or kUnusable naming what.
  LockResult Flock(CUniqueFd fd, const std::string& what);

  CUniqueFd m_fd;           // the open node or file holding the flock
  CUniqueFd m_dirFd;        // the lock file's folder, kept to remove the file
  void* m_mutex = nullptr;  // Windows: the named mutex that is the lock
  std::string m_name;
  std::string m_error;
  int m_errno = 0;
};

}  // namespace brindle
