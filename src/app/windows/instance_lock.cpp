#include "app/instance_lock.h"

namespace brindle {

std::string InstanceLockFileName() {
  // The mutex itself, by the name the sibling tools share; kernel object
  // names without a prefix belong to the user's session.
  return kInstanceLockName;
}

LockResult AcquireInstanceLock(CSharedLock& lock, const std::string& folder) {
  return lock.TryAcquireFile(folder, InstanceLockFileName());
}

}  // namespace brindle
