#include "online/archivers.h"

namespace brindle {

std::vector<std::string> ArchiverArguments(ArchiverStyle style, const std::string& archive,
                                           const std::string& target) {
  if (style == ArchiverStyle::kRar) return {"x", "-o+", "-y", "-IBCK", archive, "*.*", target};
  return {"x", archive, "-aoa", "-y", "-o" + target};
}

}  // namespace brindle
