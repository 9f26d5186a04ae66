#include "online/archivers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "core/unique_fd.h"

namespace brindle {

std::string FindOnPath(const std::string& name, const std::string& pathList) {
  size_t begin = 0;
  while (begin <= pathList.size()) {
    size_t end = pathList.find(':', begin);
    if (end == std::string::npos) end = pathList.size();
    std::string folder = pathList.substr(begin, end - begin);
    begin = end + 1;
    if (folder.empty() || folder[0] != '/') continue;
    if (folder.back() != '/') folder += '/';
    const std::string candidate = folder + name;
    struct stat st {};
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return candidate;
  }
  return {};
}

ArchiveKind ArchiveKindOf(const std::string& path) {
  // Never waits on a FIFO: only a regular file has a signature.
  const CUniqueFd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd) return ArchiveKind::kUnknown;
  struct stat st {};
  unsigned char head[kArchiveHeadBytes] = {};
  ssize_t n = -1;
  if (fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode)) n = read(fd.Get(), head, sizeof head);
  return n > 0 ? ArchiveKindOfHead(head, static_cast<size_t>(n)) : ArchiveKind::kUnknown;
}

std::vector<ArchiverCommand> FittingArchivers(const std::string& archivePath,
                                              const std::string& targetFolder) {
  const char* path = std::getenv("PATH");
  const std::string pathList = path ? path : "";
  std::string target = targetFolder;
  while (target.size() > 1 && target.back() == '/') target.pop_back();
  const ArchiveKind kind = ArchiveKindOf(archivePath);
  std::vector<ArchiverCommand> commands;
  for (const ArchiverRow& row : kArchiverTable) {
    if (kind != ArchiveKind::kUnknown && (row.kinds & static_cast<uint8_t>(kind)) == 0) continue;
    for (const char* program : row.programs) {
      if (!program) break;
      std::string found = FindOnPath(program, pathList);
      if (found.empty()) continue;
      commands.push_back({std::move(found), ArchiverArguments(row.style, archivePath, target), target,
                          row.createsTargetFirst});
    }
  }
  return commands;
}

}  // namespace brindle
