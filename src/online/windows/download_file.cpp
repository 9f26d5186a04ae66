// The local side of a download on Windows. The new file always has a name
// (".NAME.part-PID-N" beside the target), is opened in binary mode, and
// replaces the target with MoveFileExW once the body is complete. Links
// (reparse points) are never written through or read from.
#include "online/download_file.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "core/path_separators.h"
#include "core/windows/unicode.h"
#include "core/windows/unique_handle.h"
#include "core/windows/windows_api.h"
#include "online/file_search.h"

namespace brindle {

namespace {

size_t LastSeparator(const std::string& path) { return path.find_last_of(kPathSeparators); }

std::string FolderOf(const std::string& path) {
  const size_t slash = LastSeparator(path);
  if (slash == std::string::npos) return ".";
  return path.substr(0, slash == 0 ? 1 : slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = LastSeparator(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int ErrnoOf(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    default: return EIO;
  }
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
    const int n = _write(fd, data, chunk);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool ProcessRuns(unsigned long pid) {
  const CUniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // another user's, running
  return WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

std::atomic<unsigned> g_nameCounter{0};

}  // namespace

// A device reached by name: NUL, CON, COM1 and the like are there in every
// folder, with attributes or without, and only opening them tells.
bool IsDeviceName(const std::wstring& path) {
  const CUniqueHandle h(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  return h && GetFileType(h.Get()) != FILE_TYPE_DISK;
}

TargetKind DownloadTargetKind(const std::string& path, int& error) {
  error = 0;
  const std::wstring wide = Widen(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const int err = ErrnoOf(GetLastError());
    if (IsDeviceName(wide)) return TargetKind::kOther;
    if (err != ENOENT) error = err;
    return TargetKind::kAbsent;
  }
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))
    return TargetKind::kOther;
  return IsDeviceName(wide) ? TargetKind::kOther : TargetKind::kRegular;
}

std::string CDownloadFile::NewName() const {
  return FolderOf(m_target) + "\\" + DownloadPartPrefix(m_target) + std::to_string(GetCurrentProcessId()) +
         "-" + std::to_string(g_nameCounter.fetch_add(1));
}

int CDownloadFile::Create(const std::string& target) {
  Discard();
  m_target = target;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = NewName();
    // Binary: the body is bytes, never text with line ends to translate.
    m_fd.Reset(_wopen(Widen(name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                      _S_IREAD | _S_IWRITE));
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
  int kindError = 0;
  const TargetKind kind = DownloadTargetKind(source, kindError);
  if (kindError != 0) return kindError;
  if (kind == TargetKind::kOther) return EINVAL;  // only a regular file is read
  if (kind == TargetKind::kRegular) {
    const CUniqueFd in(_wopen(Widen(source).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT));
    if (!in) return errno;
    int error = 0;
    char buffer[64 * 1024];
    uint64_t left = bytes;
    while (left > 0 && error == 0) {
      const int n =
          _read(in.Get(), buffer, static_cast<unsigned>(left < sizeof buffer ? left : sizeof buffer));
      if (n < 0) error = errno;
      if (n <= 0) break;
      if (!WriteAll(m_fd.Get(), buffer, static_cast<size_t>(n))) error = errno ? errno : EIO;
      left -= static_cast<uint64_t>(n);
    }
    if (error != 0) return error;
  }
  if (_chsize_s(m_fd.Get(), static_cast<long long>(bytes)) != 0) return errno;
  if (_lseeki64(m_fd.Get(), static_cast<long long>(bytes), SEEK_SET) < 0) return errno;
  return 0;
}

int CDownloadFile::Commit() {
  if (!m_fd) return EBADF;
  int error = 0;
  if (_commit(m_fd.Get()) != 0) error = errno;
  const int closeError = m_fd.Close();
  if (error == 0) error = closeError;
  if (error == 0) error = TargetReplaceableError(m_target);
  if (error == 0 && !MoveFileExW(Widen(m_named).c_str(), Widen(m_target).c_str(), MOVEFILE_REPLACE_EXISTING))
    error = ErrnoOf(GetLastError());
  if (error != 0) DeleteFileW(Widen(m_named).c_str());
  m_named.clear();
  return error;
}

void CDownloadFile::Discard() {
  m_fd.Reset();
  if (!m_named.empty()) DeleteFileW(Widen(m_named).c_str());
  m_named.clear();
}

void RemoveStaleDownloadParts(const std::string& target) {
  struct Context {
    std::string prefix;
    std::vector<std::string> stale;
  } context{DownloadPartPrefix(target), {}};
  FindFiles(
      FolderOf(target),
      [](const std::string& path, uint32_t attributes, void* raw) {
        auto& c = *static_cast<Context*>(raw);
        const std::string name = NameOf(path);
        if (attributes != kFileAttributeNormal || name.compare(0, c.prefix.size(), c.prefix) != 0)
          return false;
        // prefix, process id, "-", counter
        char* end = nullptr;
        const unsigned long pid = std::strtoul(name.c_str() + c.prefix.size(), &end, 10);
        if (pid == 0 || !end || *end != '-' || ProcessRuns(pid)) return false;
        c.stale.push_back(path);
        return false;
      },
      false, &context);
  for (const std::string& path : context.stale) DeleteFileW(Widen(path).c_str());
}

}  // namespace brindle
