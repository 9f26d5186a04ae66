#pragma once
// Per-device exclusion between running copies of the program. On Windows the
// lock is a named mutex whose name comes from the interface path; here it is
// an flock()ed file in the user's runtime folder, named after the device path.
#include <optional>
#include <string>

namespace brindle {

// Windows mutex name of an interface path: the text between the last
// backslash and the last "{" after it ("hid#vid_0416&pid_b500#7&1a2b&0&0000#").
// No name when either character is missing; such interfaces are skipped.
std::optional<std::string> DeviceMutexName(const std::string& path);

// File name of the lock of a device path: the mutex name for Windows-style
// paths, else the path with every character outside [A-Za-z0-9._-] made "_".
std::optional<std::string> DeviceLockName(const std::string& path);

// Folder of the lock files: $XDG_RUNTIME_DIR/brindle, else a per-user
// folder under the system's temporary folder.
std::string DeviceLockFolder();

// A held lock; released when destroyed. Locks are per open file, so two
// locks on one device conflict even inside one process.
class CDeviceLock {
 public:
  CDeviceLock() = default;
  ~CDeviceLock() { Release(); }
  CDeviceLock(const CDeviceLock&) = delete;
  CDeviceLock& operator=(const CDeviceLock&) = delete;

  // Takes the lock named name in folder without waiting. False when another
  // holder has it or the file cannot be created.
  bool TryAcquire(const std::string& folder, const std::string& name);
  void Release();
  bool IsHeld() const { return m_fd >= 0; }

 private:
  int m_fd = -1;  // open lock file holding the flock, -1 when not held
};

}  // namespace brindle
