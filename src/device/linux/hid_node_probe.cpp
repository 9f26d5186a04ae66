#include "device/hid_node_probe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "core/unique_fd.h"

namespace brindle {

bool HidNodePresent(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

HidOpenFailure HidOpenFailureOf(const std::string& path) {
  // hidapi does not say why; ask the node itself so the window can hint
  // at the missing udev rule.
  const CUniqueFd node(open(path.c_str(), O_RDWR | O_CLOEXEC));
  const int err = node ? 0 : errno;
  return (err == EACCES || err == EPERM) ? HidOpenFailure::kPermission : HidOpenFailure::kOther;
}

}  // namespace brindle
