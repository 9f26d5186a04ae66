#include "gui/instance_lock.h"

namespace brindle {

CInstanceLock::~CInstanceLock() { Release(); }

CInstanceLock::Result CInstanceLock::Acquire(const QString& folder) {
  switch (AcquireInstanceLock(m_lock, folder.toStdString())) {
    case LockResult::kAcquired: return Result::kAcquired;
    case LockResult::kHeld: return Result::kHeldElsewhere;
    case LockResult::kUnusable: break;
  }
  return Result::kUnavailable;
}

void CInstanceLock::Release() { m_lock.Release(); }

}  // namespace brindle
