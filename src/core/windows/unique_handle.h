#pragma once
// CUniqueHandle: the one owner of a Windows kernel handle (file, process,
// thread, job, mutex). Move-only; the handle is closed exactly once, by the
// owner that holds it last. Both null and INVALID_HANDLE_VALUE mean none, as
// the system's calls return one or the other on failure.
#include <utility>

#include "core/windows/windows_api.h"

namespace brindle {

class CUniqueHandle {
 public:
  CUniqueHandle() noexcept = default;
  explicit CUniqueHandle(HANDLE h) noexcept : m_h(Valid(h) ? h : nullptr) {}
  ~CUniqueHandle() { Reset(); }
  CUniqueHandle(CUniqueHandle&& other) noexcept : m_h(other.Release()) {}
  CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  CUniqueHandle(const CUniqueHandle&) = delete;
  CUniqueHandle& operator=(const CUniqueHandle&) = delete;

  // The handle, still owned; null when none.
  HANDLE Get() const noexcept { return m_h; }
  explicit operator bool() const noexcept { return m_h != nullptr; }
  HANDLE Release() noexcept { return std::exchange(m_h, nullptr); }
  void Reset(HANDLE h = nullptr) noexcept {
    const HANDLE old = std::exchange(m_h, Valid(h) ? h : nullptr);
    if (old && old != m_h) CloseHandle(old);
  }

 private:
  static bool Valid(HANDLE h) noexcept { return h && h != INVALID_HANDLE_VALUE; }
  HANDLE m_h = nullptr;
};

}  // namespace brindle
