// What both systems' download files share: the names of the new files and
// the last look at the target before it is replaced.
#include <cerrno>
#include <string>

#include "core/path_separators.h"
#include "online/download_file.h"

namespace brindle {

std::string DownloadPartPrefix(const std::string& target) {
  const size_t slash = target.find_last_of(kPathSeparators);
  return "." + (slash == std::string::npos ? target : target.substr(slash + 1)) + ".part-";
}

int TargetReplaceableError(const std::string& target) {
  int error = 0;
  if (DownloadTargetKind(target, error) == TargetKind::kOther) return EEXIST;
  return error;
}

}  // namespace brindle
