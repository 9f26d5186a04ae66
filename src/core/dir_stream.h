#pragma once
// CDirStream: owns a directory stream made from a folder descriptor.
// Closing the stream also closes the descriptor it was made from.
#include <dirent.h>

#include "core/unique_fd.h"

namespace brindle {

class CDirStream {
 public:
  // Takes folder over: on success the stream owns it; when no stream can be
  // made, it is closed here.
  explicit CDirStream(CUniqueFd folder);
  ~CDirStream();
  CDirStream(const CDirStream&) = delete;
  CDirStream& operator=(const CDirStream&) = delete;

  DIR* Get() const { return m_dir; }
  explicit operator bool() const { return m_dir != nullptr; }
  // The next entry, or null at the end or on an error.
  const dirent* Next() { return m_dir ? readdir(m_dir) : nullptr; }
  // The folder's descriptor, still owned by the stream; -1 when none.
  int Fd() const { return m_dir ? dirfd(m_dir) : -1; }

 private:
  DIR* m_dir = nullptr;
};

}  // namespace brindle
