// What both systems' download files share: the names of the new files and
// the last look at the target before it is replaced.
#include <cerrno>
#include <string>

#include "online/download_file.h"

namespace brindle {

std::string DownloadPartPrefix(const std::string& target) {
#ifdef _WIN32
  const size_t slash = target.find_last_of("\\/");
#else
  const size_t slash = target.rfind('/');
#endif
  return "." + (slash == std::string::npos ? target : target.substr(slash + 1)) + ".part-";
}

int TargetReplaceableError(const std::string& target) {
  int error = 0;
  if (DownloadTargetKind(target, error) == TargetKind::kOther) return EEXIST;
  return error;
}

}  // namespace brindle
