#pragma once
// One of this tool, its console twin and its siblings runs at a time for a
// user: they all take the lock "WM_APP_ONE_HANDLE", a lock file of the
// user's in the machine's shared lock folder, so every shell, session and
// environment of the user sees the same one.
#include <string>

#include "core/shared_lock.h"

namespace brindle {

inline constexpr const char* kInstanceLockName = "WM_APP_ONE_HANDLE";

// File name of the instance lock of the user running this process.
std::string InstanceLockFileName();

// Takes the instance lock in folder (default: the shared lock folder).
LockResult AcquireInstanceLock(CSharedLock& lock, const std::string& folder = SharedLockFolder());

}  // namespace brindle
