#include "core/unique_fd.h"

#include <unistd.h>

#include <cerrno>

namespace brindle {

void CUniqueFd::Reset(int fd) noexcept {
  const int old = std::exchange(m_fd, fd < 0 ? -1 : fd);
  // Linux frees the descriptor even when close fails; a retry could close
  // someone else's.
  if (old >= 0 && old != m_fd) ::close(old);
}

int CUniqueFd::Close() noexcept {
  const int old = Release();
  if (old < 0) return 0;
  return ::close(old) == 0 ? 0 : errno;
}

}  // namespace brindle
