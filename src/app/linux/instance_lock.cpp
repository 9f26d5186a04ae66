#include "app/instance_lock.h"

#include <unistd.h>

namespace brindle {

std::string InstanceLockFileName() {
  // Per user, as the window's activation sockets are; the devices themselves
  // are locked for the whole machine.
  return std::string("brindle-") + kInstanceLockName + "-" + std::to_string(geteuid()) + ".lock";
}

LockResult AcquireInstanceLock(CSharedLock& lock, const std::string& folder) {
  return lock.TryAcquireFile(folder, InstanceLockFileName());
}

}  // namespace brindle
