#include "online/file_search.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <utility>

#include "core/dir_stream.h"

namespace brindle {

namespace {

// Opens a folder for enumeration without following a link at its last
// component; the parent descriptor anchors the lookup so a renamed path
// cannot redirect it.
CUniqueFd OpenFolder(int parentFd, const char* name) {
  return CUniqueFd(openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

uint32_t AttributesOf(int dirFd, const dirent* entry) {
  unsigned char type = entry->d_type;
  if (type == DT_UNKNOWN) {
    struct stat st {};
    if (fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return kFileAttributeDevice;
    if (S_ISDIR(st.st_mode))
      type = DT_DIR;
    else if (S_ISLNK(st.st_mode))
      type = DT_LNK;
    else if (S_ISREG(st.st_mode))
      type = DT_REG;
  }
  switch (type) {
    case DT_DIR: return kFileAttributeDirectory;
    case DT_LNK: return kFileAttributeReparsePoint;
    case DT_REG: return kFileAttributeNormal;
    default: return kFileAttributeDevice;
  }
}

std::string WithSlash(const std::string& folder) {
  return (!folder.empty() && folder.back() == '/') ? folder : folder + "/";
}

int FindFilesAt(CUniqueFd fd, const std::string& folder, FindFilesCallback callback, bool recursive,
                void* context) {
  CDirStream dir(std::move(fd));
  if (!dir) return -1;
  const std::string prefix = WithSlash(folder);
  int count = 0;
  while (const dirent* entry = dir.Next()) {
    const std::string name = entry->d_name;
    const std::string path = prefix + name;
    const uint32_t attributes = AttributesOf(dir.Fd(), entry);
    if (recursive && attributes == kFileAttributeDirectory) {
      if (name == "." || name == "..") continue;
      const int sub =
          FindFilesAt(OpenFolder(dir.Fd(), entry->d_name), path + "/", callback, recursive, context);
      if (sub > 0) count += sub;
      continue;
    }
    ++count;
    if (callback(path, attributes, context)) break;
  }
  return count;
}

void DeleteContentsAt(CUniqueFd fd) {
  CDirStream dir(std::move(fd));
  if (!dir) return;
  const int self = dir.Fd();
  while (const dirent* entry = dir.Next()) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (AttributesOf(self, entry) == kFileAttributeDirectory) {
      DeleteContentsAt(OpenFolder(self, entry->d_name));
      unlinkat(self, entry->d_name, AT_REMOVEDIR);
    } else {
      unlinkat(self, entry->d_name, 0);  // a link goes, its target stays
    }
  }
}

}  // namespace

int FindFiles(const std::string& folder, FindFilesCallback callback, bool recursive, void* context) {
  if (folder.empty() || !callback) return -1;
  return FindFilesAt(OpenFolder(AT_FDCWD, folder.c_str()), folder, callback, recursive, context);
}

void DeleteFolderTree(const std::string& folder) {
  if (folder.empty()) return;
  std::string top = folder;
  while (top.size() > 1 && top.back() == '/') top.pop_back();
  struct stat st {};
  if (lstat(top.c_str(), &st) != 0) return;
  if (!S_ISDIR(st.st_mode)) {
    if (S_ISLNK(st.st_mode)) unlink(top.c_str());
    return;
  }
  DeleteContentsAt(OpenFolder(AT_FDCWD, top.c_str()));
  rmdir(top.c_str());
}

CUniqueFd OpenRegularFile(const std::string& path) {
  CUniqueFd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat st {};
  if (!fd || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  return fd;
}

void CreatePrivateFolder(const std::string& folder) { mkdir(folder.c_str(), 0700); }

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  return CUniqueFd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)).IsOpen();
}

}  // namespace brindle
