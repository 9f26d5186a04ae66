#include "online/file_search.h"

namespace brindle {

bool IsUpdateFile(const std::string& path, uint32_t attributes, void* context) {
  if (attributes & (kFileAttributeDirectory | kFileAttributeReparsePoint | kFileAttributeDevice))
    return false;
  const size_t dot = path.rfind('.');
  const std::string extension = dot == std::string::npos ? path : path.substr(dot + 1);
  if (extension.size() != 3) return false;
  static constexpr char kExtension[] = "dwm";
  for (size_t i = 0; i < 3; ++i) {
    const char c = extension[i];
    if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != kExtension[i]) return false;
  }
  *static_cast<std::string*>(context) = path;
  return true;
}

}  // namespace brindle
