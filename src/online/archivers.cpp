// What the archivers of both systems share: telling an archive's kind by
// its first bytes, and taking the first archiver that fits.
#include "online/archivers.h"

#include <initializer_list>
#include <utility>

#include "online/file_search.h"

namespace brindle {

ArchiveKind ArchiveKindOfHead(const unsigned char* head, size_t size) {
  const auto starts = [&](std::initializer_list<unsigned char> signature) {
    if (size < signature.size()) return false;
    size_t i = 0;
    for (const unsigned char c : signature)
      if (head[i++] != c) return false;
    return true;
  };
  // Local file header, empty archive, spanned archive.
  if (starts({'P', 'K', 3, 4}) || starts({'P', 'K', 5, 6}) || starts({'P', 'K', 7, 8}))
    return ArchiveKind::kZip;
  if (starts({'7', 'z', 0xBC, 0xAF, 0x27, 0x1C})) return ArchiveKind::kSevenZip;
  // RAR 1.5 to 4.x, and RAR 5 (one more byte, 0x01 0x00, follows).
  if (starts({'R', 'a', 'r', '!', 0x1A, 0x07})) return ArchiveKind::kRar;
  return ArchiveKind::kUnknown;
}

int FindArchiver(const std::string& archivePath, const std::string& targetFolder, std::string& programPath,
                 std::vector<std::string>& arguments) {
  std::vector<ArchiverCommand> commands = FittingArchivers(archivePath, targetFolder);
  if (commands.empty()) return 0;
  ArchiverCommand& first = commands.front();
  if (first.createsTargetFirst) CreatePrivateFolder(first.target);  // existing is fine
  programPath = std::move(first.program);
  arguments = std::move(first.arguments);
  return 1;
}

}  // namespace brindle
