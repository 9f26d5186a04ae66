// Locks on Windows: a named kernel mutex whose existence is the lock, as the
// sibling tools use them. It is never waited on; creating it when it already
// exists means another holder has it. The system closes a killed holder's
// handle, so no lock outlives its process and nothing needs sweeping.
#include "core/shared_lock.h"

#include <cstdlib>

#include "core/windows/unicode.h"
#include "core/windows/unique_handle.h"
#include "core/windows/windows_api.h"

namespace brindle {

namespace {

// Mutex names are one namespace per session; a backslash would start a
// namespace prefix ("Global\"), so none may come from our side.
std::string MutexName(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  // A lock folder given for a test run scopes its locks, so runs in
  // parallel never see each other's.
  std::string scoped = "brindle-scope:" + folder + "!" + name;
  for (char& c : scoped)
    if (c == '\\') c = '/';
  return scoped;
}

}  // namespace

std::string SharedLockFolder() {
  const char* folder = std::getenv("BRINDLE_LOCK_DIR");
  if (folder && folder[0] != '\0') return folder;
  return {};  // the session's own namespace of kernel objects
}

std::string LockFolderProblem(const std::string&) {
  // Kernel objects need no folder; a given one only scopes the names.
  return {};
}

LockResult CSharedLock::Fail(const std::string& what, int err) {
  m_error = err ? what + ": " + WindowsErrorText(static_cast<unsigned long>(err)) : what;
  m_errno = err;
  Release();
  return LockResult::kUnusable;
}

LockResult CSharedLock::TryAcquireNode(const std::string& path) {
  Release();
  m_error.clear();
  m_errno = 0;
  return Fail("device nodes are not locked on Windows: " + path, 0);
}

LockResult CSharedLock::TryAcquireFile(const std::string& folder, const std::string& name) {
  Release();
  m_error.clear();
  m_errno = 0;
  if (name.empty() || name.find('\\') != std::string::npos) return Fail("bad lock name " + name, 0);
  const std::string object = MutexName(folder, name);
  CUniqueHandle mutex(CreateMutexW(nullptr, FALSE, Widen(object).c_str()));
  const DWORD err = GetLastError();
  if (!mutex) {
    // Another user's mutex of that name in this session: it is held.
    if (err == ERROR_ACCESS_DENIED) return LockResult::kHeld;
    return Fail("cannot create the mutex " + object, static_cast<int>(err));
  }
  if (err == ERROR_ALREADY_EXISTS) return LockResult::kHeld;
  m_mutex = mutex.Release();
  m_name = object;
  return LockResult::kAcquired;
}

void CSharedLock::Release() {
  if (m_mutex) {
    CloseHandle(static_cast<HANDLE>(m_mutex));
    m_mutex = nullptr;
  }
  m_name.clear();
}

}  // namespace brindle
