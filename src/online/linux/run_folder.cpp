// Working files on Linux: $XDG_CACHE_HOME/brindle, else ~/.cache/brindle. A
// run holds an flock on its own folder for its whole life; the kernel drops
// it when the run dies, so a run folder that can be locked is nobody's.
#include "online/run_folder.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "core/dir_stream.h"
#include "core/unique_fd.h"

namespace brindle::run_folder {

namespace {

constexpr const char* kRunPrefix = "run-";
// Deeper trees than this are left (an archive cannot make us recurse
// without bound).
constexpr int kMaxRemoveDepth = 64;

CUniqueFd g_runFd;  // the run folder opened and flocked while it lives

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  // No usable $HOME (a service, a stripped environment): ask the user database.
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/')
    return found->pw_dir;
  return {};
}

CUniqueFd OpenFolderAt(int dirFd, const char* name) {
  return CUniqueFd(openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// Removes name in dirFd and, for a folder, everything in it. Symbolic links
// are removed as links; nothing outside the tree is touched.
void RemoveTreeAt(int dirFd, const char* name, int depth) {
  if (unlinkat(dirFd, name, 0) == 0 || (errno != EISDIR && errno != EPERM)) return;
  if (depth < kMaxRemoveDepth) {
    CUniqueFd fd = OpenFolderAt(dirFd, name);
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
  CUniqueFd fd = OpenFolderAt(baseFd, name);
  if (fd && flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) fd.Reset();
  return fd;
}

// Whether held (an open folder) is still what stands at name in baseFd:
// one that replaced it under that name is not ours.
bool StillStandsAt(int heldFd, int baseFd, const char* name) {
  struct stat held {
  }, now{};
  return fstat(heldFd, &held) == 0 && fstatat(baseFd, name, &now, AT_SYMLINK_NOFOLLOW) == 0 &&
         held.st_dev == now.st_dev && held.st_ino == now.st_ino;
}

// Removes the run folders whose runs have ended without removing them.
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

}  // namespace

std::string DefaultWorkingFolder() {
  // A relative $XDG_CACHE_HOME is invalid by the XDG rules and is ignored.
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache && cache[0] == '/') return std::string(cache) + "/brindle";
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : home + "/.cache/brindle";
}

// mkdir -p; only the last component gets the private mode.
void CreateFolderPath(const std::string& folder) {
  for (size_t pos = folder.find('/', 1); pos != std::string::npos; pos = folder.find('/', pos + 1))
    mkdir(folder.substr(0, pos).c_str(), 0755);
  mkdir(folder.c_str(), 0700);
}

std::string HoldNewRunFolder(const std::string& base) {
  const CUniqueFd baseFd(open(base.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!baseFd || !IsOwnFolder(baseFd.Get())) return {};
  RemoveAbandonedRunFolders(baseFd.Get());
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::string folder = base + "/" + kRunPrefix + "XXXXXX";
    if (!mkdtemp(folder.data())) return {};
    const std::string name = folder.substr(base.size() + 1);
    CUniqueFd fd = LockRunFolder(baseFd.Get(), name.c_str());
    // Another run's sweep may have taken the new, still unheld folder away
    // between mkdtemp and our flock: then it is not ours, make another.
    if (!fd || !StillStandsAt(fd.Get(), baseFd.Get(), name.c_str())) continue;
    g_runFd = std::move(fd);
    return folder;
  }
  return {};
}

void RemoveHeldRunFolder(const std::string& folder) {
  if (!g_runFd) return;
  const size_t slash = folder.rfind('/');
  const std::string name = folder.substr(slash + 1);
  const CUniqueFd baseFd(
      open(folder.substr(0, slash).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  // Only the folder we hold: one that replaced it under our name is not ours.
  if (baseFd && StillStandsAt(g_runFd.Get(), baseFd.Get(), name.c_str()))
    RemoveTreeAt(baseFd.Get(), name.c_str(), 0);
  g_runFd.Reset();
}

bool MoveReplacing(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace brindle::run_folder
