#include "online/working_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace brindle {

namespace {

constexpr const char* kRunPrefix = "run-";
// Deeper trees than this are left (an archive cannot make us recurse
// without bound).
constexpr int kMaxRemoveDepth = 64;

std::mutex g_mutex;  // guards everything below
std::string g_override;
std::string g_runFolder;  // this run's folder, empty before first use
int g_runFd = -1;         // the run folder opened and flocked while it lives

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

std::string WorkingFolderLocked() {
  std::string folder = g_override;
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

// Removes name in dirFd and, for a folder, everything in it. Symbolic links
// are removed as links; nothing outside the tree is touched.
void RemoveTreeAt(int dirFd, const char* name, int depth) {
  if (unlinkat(dirFd, name, 0) == 0 || (errno != EISDIR && errno != EPERM)) return;
  if (depth < kMaxRemoveDepth) {
    const int fd = openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
      fchmod(fd, 0700);  // an archive may hold read-only folders
      if (DIR* dir = fdopendir(fd)) {
        std::vector<std::string> names;
        while (const dirent* e = readdir(dir)) {
          const std::string n = e->d_name;
          if (n != "." && n != "..") names.push_back(n);
        }
        for (const std::string& n : names) RemoveTreeAt(fd, n.c_str(), depth + 1);
        closedir(dir);  // closes fd
      } else {
        close(fd);
      }
    }
  }
  unlinkat(dirFd, name, AT_REMOVEDIR);
}

// Opens a run folder and takes its flock without waiting; -1 when it is
// not a folder or its run still holds it.
int LockRunFolder(int baseFd, const char* name) {
  const int fd = openat(baseFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return -1;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Removes the run folders whose runs have ended without removing them. A
// run holds its folder's flock for its whole life (the kernel drops it when
// the process dies), so a folder we can lock belongs to nobody.
void RemoveAbandonedRunFolders(int baseFd) {
  const int listFd = dup(baseFd);
  if (listFd < 0) return;
  DIR* dir = fdopendir(listFd);
  if (!dir) {
    close(listFd);
    return;
  }
  std::vector<std::string> names;
  while (const dirent* e = readdir(dir)) {
    const std::string n = e->d_name;
    if (n.rfind(kRunPrefix, 0) == 0) names.push_back(n);
  }
  closedir(dir);
  for (const std::string& n : names) {
    const int fd = LockRunFolder(baseFd, n.c_str());
    if (fd < 0) continue;
    RemoveTreeAt(baseFd, n.c_str(), 0);  // removed while we hold it
    close(fd);
  }
}

// Whether the working folder may hold our run folders: our own real folder.
bool IsOwnFolder(int fd) {
  struct stat st {};
  return fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid();
}

void EndRunFolderLocked() {
  if (g_runFd < 0) return;
  const size_t slash = g_runFolder.rfind('/');
  const std::string base = g_runFolder.substr(0, slash);
  const std::string name = g_runFolder.substr(slash + 1);
  const int baseFd = open(base.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (baseFd >= 0) {
    // Only the folder we hold: one that replaced it under our name is not ours.
    struct stat held {}, now {};
    if (fstat(g_runFd, &held) == 0 && fstatat(baseFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        held.st_dev == now.st_dev && held.st_ino == now.st_ino)
      RemoveTreeAt(baseFd, name.c_str(), 0);
    close(baseFd);
  }
  close(g_runFd);
  g_runFd = -1;
  g_runFolder.clear();
}

}  // namespace

std::string WorkingFolder() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return WorkingFolderLocked();
}

std::string RunFolder() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_runFd >= 0) return g_runFolder;
  const std::string base = WorkingFolderLocked();
  if (base.empty()) return {};
  const int baseFd = open(base.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (baseFd < 0) return {};
  if (!IsOwnFolder(baseFd)) {
    close(baseFd);
    return {};
  }
  RemoveAbandonedRunFolders(baseFd);
  close(baseFd);
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::string folder = base + "/" + kRunPrefix + "XXXXXX";
    if (!mkdtemp(folder.data())) return {};
    const std::string name = folder.substr(base.size() + 1);
    const int parentFd = open(base.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (parentFd < 0) return {};
    const int fd = LockRunFolder(parentFd, name.c_str());
    // Another run's sweep may have taken the new, still unheld folder away
    // between mkdtemp and our flock: then it is not ours, make another.
    struct stat held {}, now {};
    const bool ours = fd >= 0 && fstat(fd, &held) == 0 &&
                      fstatat(parentFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
                      held.st_dev == now.st_dev && held.st_ino == now.st_ino;
    close(parentFd);
    if (!ours) {
      if (fd >= 0) close(fd);
      continue;
    }
    g_runFd = fd;
    g_runFolder = folder;
    return g_runFolder;
  }
  return {};
}

std::string WorkingFolderPath(const std::string& name) {
  const std::string folder = RunFolder();
  return folder.empty() ? std::string() : folder + "/" + name;
}

void EndRunFolder() {
  std::lock_guard<std::mutex> lock(g_mutex);
  EndRunFolderLocked();
}

std::string KeepInWorkingFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return path;
  const std::string base = WorkingFolder();
  if (base.empty()) return path;
  const std::string kept = base + "/" + path.substr(slash + 1);
  return std::rename(path.c_str(), kept.c_str()) == 0 ? kept : path;
}

void SetWorkingFolderOverride(const std::string& folder) {
  std::lock_guard<std::mutex> lock(g_mutex);
  EndRunFolderLocked();
  g_override = folder;
}

}  // namespace brindle
