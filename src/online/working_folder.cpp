#include "online/working_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace brindle {

namespace {

std::mutex g_overrideMutex;
std::string g_override;

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  // No usable $HOME (a service, a stripped environment): ask the user database.
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir && found->pw_dir[0] == '/')
    return found->pw_dir;
  return {};
}

// mkdir -p; only the last component gets the private mode.
void CreateFolder(const std::string& folder) {
  for (size_t pos = folder.find('/', 1); pos != std::string::npos; pos = folder.find('/', pos + 1))
    mkdir(folder.substr(0, pos).c_str(), 0755);
  mkdir(folder.c_str(), 0700);
}

}  // namespace

std::string WorkingFolder() {
  std::string folder;
  {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    folder = g_override;
  }
  if (folder.empty()) {
    // A relative $XDG_CACHE_HOME is invalid by the XDG rules and is ignored.
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/') {
      folder = std::string(cache) + "/brindle";
    } else {
      const std::string home = HomeFolder();
      if (home.empty()) return {};
      folder = home + "/.cache/brindle";
    }
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  CreateFolder(folder);
  return folder;
}

std::string WorkingFolderPath(const std::string& name) { return WorkingFolder() + "/" + name; }

void SetWorkingFolderOverride(const std::string& folder) {
  std::lock_guard<std::mutex> lock(g_overrideMutex);
  g_override = folder;
}

}  // namespace brindle
