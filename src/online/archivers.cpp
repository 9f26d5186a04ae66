#include "online/archivers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

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

std::vector<std::string> ArchiverArguments(ArchiverStyle style, const std::string& archive,
                                           const std::string& target) {
  if (style == ArchiverStyle::kRar) return {"x", "-o+", "-y", "-IBCK", archive, "*.*", target};
  return {"x", archive, "-aoa", "-y", "-o" + target};
}

int FindArchiver(const std::string& archivePath, const std::string& targetFolder,
                 std::string& programPath, std::vector<std::string>& arguments) {
  const char* path = std::getenv("PATH");
  const std::string pathList = path ? path : "";
  std::string target = targetFolder;
  while (target.size() > 1 && target.back() == '/') target.pop_back();
  for (const ArchiverRow& row : kArchiverTable) {
    for (const char* program : row.programs) {
      if (!program) break;
      std::string found = FindOnPath(program, pathList);
      if (found.empty()) continue;
      if (row.createsTargetFirst) mkdir(target.c_str(), 0700);  // existing is fine
      programPath = std::move(found);
      arguments = ArchiverArguments(row.style, archivePath, target);
      return 1;
    }
  }
  return 0;
}

}  // namespace brindle
