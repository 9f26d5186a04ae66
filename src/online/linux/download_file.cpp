#include "online/download_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "core/dir_stream.h"

namespace brindle {

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::atomic<unsigned> g_nameCounter{0};

}  // namespace

TargetKind DownloadTargetKind(const std::string& path, int& error) {
  error = 0;
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) error = errno;
    return TargetKind::kAbsent;
  }
  return S_ISREG(st.st_mode) ? TargetKind::kRegular : TargetKind::kOther;
}

std::string CDownloadFile::NewName() const {
  return FolderOf(m_target) + "/" + DownloadPartPrefix(m_target) + std::to_string(getpid()) + "-" +
         std::to_string(g_nameCounter.fetch_add(1));
}

int CDownloadFile::Create(const std::string& target) {
  Discard();
  m_target = target;
  m_fd.Reset(open(FolderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (m_fd) return 0;
  // Only a file system without unnamed files falls back to a named one.
  if (errno != EOPNOTSUPP && errno != EISDIR) return errno;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = NewName();
    m_fd.Reset(open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (m_fd) {
      m_named = name;
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

int CDownloadFile::StartWith(const std::string& source, uint64_t bytes) {
  if (!m_fd) return EBADF;
  // Never waits on a FIFO and never follows a link: only a regular file is read.
  const CUniqueFd in(open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (in) {
    struct stat st {};
    int error = 0;
    if (fstat(in.Get(), &st) != 0) {
      error = errno;
    } else if (!S_ISREG(st.st_mode)) {
      error = EINVAL;
    } else {
      char buffer[64 * 1024];
      uint64_t left = bytes;
      while (left > 0 && error == 0) {
        const ssize_t n = read(in.Get(), buffer, left < sizeof buffer ? left : sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n <= 0) break;
        if (!WriteAll(m_fd.Get(), buffer, static_cast<size_t>(n))) error = errno;
        left -= static_cast<uint64_t>(n);
      }
    }
    if (error != 0) return error;
  } else if (errno != ENOENT) {
    return errno;
  }
  if (ftruncate(m_fd.Get(), static_cast<off_t>(bytes)) != 0) return errno;
  if (lseek(m_fd.Get(), static_cast<off_t>(bytes), SEEK_SET) < 0) return errno;
  return 0;
}

int CDownloadFile::Commit() {
  if (!m_fd) return EBADF;
  int error = 0;
  if (m_named.empty()) {
    // Give the unnamed file a name of ours first; rename then replaces the
    // target in one step.
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd.Get());
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string name = NewName();
      if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        m_named = name;
        break;
      }
      if (errno != EEXIST) break;
    }
    if (m_named.empty()) error = errno != 0 ? errno : EEXIST;
  }
  // Write errors of some file systems show only when the file is closed.
  const int closeError = m_fd.Close();
  if (error == 0) error = closeError;
  if (error == 0) error = TargetReplaceableError(m_target);
  if (error == 0 && rename(m_named.c_str(), m_target.c_str()) != 0) error = errno;
  if (error != 0 && !m_named.empty()) unlink(m_named.c_str());
  m_named.clear();
  return error;
}

void CDownloadFile::Discard() {
  m_fd.Reset();
  if (!m_named.empty()) unlink(m_named.c_str());
  m_named.clear();
}

void RemoveStaleDownloadParts(const std::string& target) {
  const std::string folder = FolderOf(target);
  const std::string prefix = DownloadPartPrefix(target);
  CDirStream dir(CUniqueFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)));
  while (const dirent* entry = dir.Next()) {
    const std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    // prefix, process id, "-", counter
    char* end = nullptr;
    const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
    if (pid <= 0 || !end || *end != '-') continue;
    if (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM) continue;  // still running
    const std::string path = folder + "/" + name;
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid()) unlink(path.c_str());
  }
}

}  // namespace brindle
