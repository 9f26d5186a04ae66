#include "device/device_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace brindle {

std::optional<std::string> DeviceMutexName(const std::string& path) {
  const size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return std::nullopt;
  const std::string last = path.substr(slash + 1);
  const size_t brace = last.rfind('{');
  if (brace == std::string::npos) return std::nullopt;
  return last.substr(0, brace);
}

std::optional<std::string> DeviceLockName(const std::string& path) {
  if (path.find('\\') != std::string::npos) {
    auto name = DeviceMutexName(path);
    if (!name) return std::nullopt;
    std::string safe = *name;
    for (char& c : safe)
      if (c == '/' || c == '\0') c = '_';
    return "dev-" + safe + ".lock";
  }
  if (path.empty()) return std::nullopt;
  std::string safe = path;
  for (char& c : safe) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '_' || c == '-';
    if (!keep) c = '_';
  }
  return "dev-" + safe + ".lock";
}

std::string DeviceLockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return std::string(runtime) + "/brindle";
  const char* tmp = std::getenv("TMPDIR");
  std::string base = (tmp && *tmp) ? tmp : "/tmp";
  return base + "/brindle-" + std::to_string(getuid());
}

bool CDeviceLock::TryAcquire(const std::string& folder, const std::string& name) {
  Release();
  // The folder is private to the user: another user must not be able to
  // hold our devices' locks.
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  const std::string file = folder + "/" + name;
  const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  m_fd = fd;
  return true;
}

void CDeviceLock::Release() {
  if (m_fd >= 0) {
    close(m_fd);  // closing the file drops the flock
    m_fd = -1;
  }
}

}  // namespace brindle
