#include "core/dir_stream.h"

namespace brindle {

CDirStream::CDirStream(CUniqueFd folder) {
  if (!folder) return;
  m_dir = fdopendir(folder.Get());
  if (m_dir) folder.Release();  // the stream owns it now
}

CDirStream::~CDirStream() {
  if (m_dir) closedir(m_dir);
}

}  // namespace brindle
