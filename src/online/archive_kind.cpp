#include <initializer_list>

#include "online/archivers.h"

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

}  // namespace brindle
