#pragma once
// The desktop program's hold on the instance lock "WM_APP_ONE_HANDLE" (the
// console twin and the sibling tools take it too), for the life of the
// object: one of them runs at a time.
#include <QString>

#include "app/instance_lock.h"

namespace brindle {

class CInstanceLock {
 public:
  enum class Result {
    kAcquired,       // this is the first instance
    kHeldElsewhere,  // this tool or a sibling runs
    kUnavailable,    // the lock cannot be taken at all (see Error())
  };
  CInstanceLock() = default;
  ~CInstanceLock();
  CInstanceLock(const CInstanceLock&) = delete;
  CInstanceLock& operator=(const CInstanceLock&) = delete;

  // folder: the shared lock folder.
  Result Acquire(const QString& folder);
  void Release();
  QString Error() const { return QString::fromStdString(m_lock.Error()); }

 private:
  CSharedLock m_lock;
};

}  // namespace brindle
