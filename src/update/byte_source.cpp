#include "update/byte_source.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>

#include "core/utf8_path.h"

namespace brindle {

bool CFileSource::Open(const std::string& path) {
  m_file.reset();
  m_size = 0;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(Utf8Path(path), ec)) return false;
  std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
  if (!file || fseeko(file.get(), 0, SEEK_END) != 0) return false;
  const off_t end = ftello(file.get());
  if (end < 0) return false;
  m_size = static_cast<uint64_t>(end);
  m_file = std::move(file);
  m_opened = TakeStamp();
  return m_opened.size >= 0;
}

CFileSource::Stamp CFileSource::TakeStamp() const {
  Stamp stamp;
  if (!m_file) return stamp;
#ifdef _WIN32
  struct _stat64 st {};
  if (_fstat64(_fileno(m_file.get()), &st) != 0) return stamp;
#else
  struct stat st {};
  if (fstat(fileno(m_file.get()), &st) != 0) return stamp;
  stamp.modifiedNanos = static_cast<int64_t>(st.st_mtim.tv_nsec);
#endif
  stamp.size = static_cast<int64_t>(st.st_size);
  stamp.modifiedSeconds = static_cast<int64_t>(st.st_mtime);
  return stamp;
}

bool CFileSource::Unchanged() const { return m_file && TakeStamp() == m_opened; }

size_t CFileSource::ReadAt(uint64_t offset, uint8_t* out, size_t n) {
  if (!m_file || offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return 0;
  if (fseeko(m_file.get(), static_cast<off_t>(offset), SEEK_SET) != 0) return 0;
  return std::fread(out, 1, n, m_file.get());
}

size_t CMemorySource::ReadAt(uint64_t offset, uint8_t* out, size_t n) {
  if (offset >= m_size) return 0;
  const size_t count = static_cast<size_t>(std::min<uint64_t>(n, m_size - offset));
  if (count > 0) std::memcpy(out, m_data + offset, count);
  return count;
}

}  // namespace brindle
