#pragma once
// CUniqueFd: the one owner of a POSIX file descriptor. Move-only; the
// descriptor is closed exactly once, by the owner that holds it last.
#include <utility>

namespace brindle {

class CUniqueFd {
 public:
  CUniqueFd() noexcept = default;
  // Takes ownership of fd; a negative fd means none.
  explicit CUniqueFd(int fd) noexcept : m_fd(fd < 0 ? -1 : fd) {}
  ~CUniqueFd() { Reset(); }
  CUniqueFd(CUniqueFd&& other) noexcept : m_fd(other.Release()) {}
  CUniqueFd& operator=(CUniqueFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  CUniqueFd(const CUniqueFd&) = delete;
  CUniqueFd& operator=(const CUniqueFd&) = delete;

  // The descriptor, still owned; -1 when none.
  int Get() const noexcept { return m_fd; }
  bool IsOpen() const noexcept { return m_fd >= 0; }
  explicit operator bool() const noexcept { return IsOpen(); }
  // Gives the descriptor up without closing it; the caller owns it then.
  int Release() noexcept { return std::exchange(m_fd, -1); }
  // Closes the descriptor held (if any) and takes fd instead.
  void Reset(int fd = -1) noexcept;
  // Closes the descriptor now: 0, or the errno of a failed close (some file
  // systems report write errors only there). The descriptor is gone either
  // way. 0 when none was held.
  int Close() noexcept;

 private:
  int m_fd = -1;
};

}  // namespace brindle
