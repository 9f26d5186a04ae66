#include "device/device_lock.h"

namespace brindle {

std::optional<std::string> DeviceMutexName(const std::string& path) {
  const size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return std::nullopt;
  const std::string last = path.substr(slash + 1);
  const size_t brace = last.rfind('{');
  if (brace == std::string::npos) return std::nullopt;
  // SetupDi names interfaces in lower case, the configuration manager in
  // upper case; named mutexes are case-sensitive, so both forms of one
  // device must give the one name the sibling tools take.
  std::string name = last.substr(0, brace);
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return name;
}

std::optional<std::string> DeviceLockName(const std::string& path) {
  if (path.find('\\') != std::string::npos) {
    auto name = DeviceMutexName(path);
    if (!name) return std::nullopt;
    std::string safe = *name;
    for (char& c : safe)
      if (c == '/' || c == '\0') c = '_';
    return "brindle-dev-" + safe + ".lock";
  }
  if (path.empty()) return std::nullopt;
  std::string safe = path;
  for (char& c : safe) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '_' || c == '-';
    if (!keep) c = '_';
  }
  return "brindle-dev-" + safe + ".lock";
}

std::optional<std::string> PlatformDeviceLockName(const std::string& path) {
#ifdef _WIN32
  if (path.find('\\') != std::string::npos) return DeviceMutexName(path);
#endif
  return DeviceLockName(path);
}

}  // namespace brindle
