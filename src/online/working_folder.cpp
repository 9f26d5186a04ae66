#include "online/working_folder.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

#include "core/dir_stream.h"

namespace brindle {

namespace {

constexpr const char* kRunPrefix = "run-";
// Deeper trees than this are left (an archive cannot make us recurse
// without bound).
constexpr int kMaxRemoveDepth = 64;

std::mutex g_mutex;  // guards everything below
std::string g_override;
std::string g_runFolder;  // this run's folder, empty before first use
CUniqueFd g_runFd;        // the run folder opened and flocked while it lives

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
    CUniqueFd fd(openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd) fchmod(fd.Get(), 0700);  // an archive may hold read-only folders
    CDirStream dir(std::move(fd));
    std::vector<std::string> names;
    while (const dirent* e = dir.Next()) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    for (const std::string& n : names) RemoveTreeAt(dir.Fd(), n.c_str(), depth + 1);
  }
  unlinkat(dirFd, name, AT_REMOVEDIR);
}

// Opens a run folder and takes its flock without waiting; none when it is
// not a folder or its run still holds it.
CUniqueFd LockRunFolder(int baseFd, const char* name) {
  CUniqueFd fd(openat(baseFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (fd && flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) fd.Reset();
  return fd;
}

// Removes the run folders whose runs have ended without removing them. A
// run holds its folder's flock for its whole life (the kernel drops it when
// the process dies), so a folder we can lock belongs to nobody.
void RemoveAbandonedRunFolders(int baseFd) {
  std::vector<std::string> names;
  {
    CDirStream dir(CUniqueFd(dup(baseFd)));
    while (const dirent* e = dir.Next()) {
      const std::string n = e->d_name;
      if (n.rfind(kRunPrefix, 0) == 0) names.push_back(n);
    }
  }
  for (const std::string& n : names) {
    const CUniqueFd fd = LockRunFolder(baseFd, n.c_str());
    if (fd) RemoveTreeAt(baseFd, n.c_str(), 0);  // removed while we hold it
  }
}

// Whether the working folder may hold our run folders: our own real folder.
bool IsOwnFolder(int fd) {
  struct stat st {};
  return fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid();
}

void EndRunFolderLocked() {
  if (!g_runFd) return;
  const size_t slash = g_runFolder.rfind('/');
  const std::string base = g_runFolder.substr(0, slash);
  const std::string name = g_runFolder.substr(slash + 1);
  const CUniqueFd baseFd(open(base.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (baseFd) {
    // Only the folder we hold: one that replaced it under our name is not ours.
    struct stat held {}, now {};
    if (fstat(g_runFd.Get(), &held) == 0 &&
        fstatat(baseFd.Get(), name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        held.st_dev == now.st_dev && held.st_ino == now.st_ino)
      RemoveTreeAt(baseFd.Get(), name.c_str(), 0);
  }
  g_runFd.Reset();
  g_runFolder.clear();
}

}  // namespace

std::string WorkingFolder() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return WorkingFolderLocked();
}

std::string RunFolder() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_runFd) return g_runFolder;
  const std::string base = WorkingFolderLocked();
  if (base.empty()) return {};
  {
    const CUniqueFd baseFd(open(base.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!baseFd || !IsOwnFolder(baseFd.Get())) return {};
    RemoveAbandonedRunFolders(baseFd.Get());
  }
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::string folder = base + "/" + kRunPrefix + "XXXXXX";
    if (!mkdtemp(folder.data())) return {};
    const std::string name = folder.substr(base.size() + 1);
    const CUniqueFd parentFd(open(base.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!parentFd) return {};
    CUniqueFd fd = LockRunFolder(parentFd.Get(), name.c_str());
    // Another run's sweep may have taken the new, still unheld folder away
    // between mkdtemp and our flock: then it is not ours, make another.
    struct stat held {}, now {};
    const bool ours = fd && fstat(fd.Get(), &held) == 0 &&
                      fstatat(parentFd.Get(), name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
                      held.st_dev == now.st_dev && held.st_ino == now.st_ino;
    if (!ours) continue;
    g_runFd = std::move(fd);
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
