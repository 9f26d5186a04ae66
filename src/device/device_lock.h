#pragma once
// Per-device exclusion between running copies of the program, whoever runs
// them. On Windows the lock is a named mutex whose name comes from the
// interface path. Here a hidraw device is locked on its node itself, which
// every process that can use the device opens alike; any other interface (the
// simulated device) gets a lock file of that name in the shared lock folder.
#include <optional>
#include <string>

#include "core/shared_lock.h"

namespace brindle {

// Windows mutex name of an interface path: the text between the last
// backslash and the last "{" after it ("hid#vid_0416&pid_b500#7&1a2b&0&0000#"),
// in lower case whatever case the path came in. No name when either
// character is missing; such interfaces are skipped.
std::optional<std::string> DeviceMutexName(const std::string& path);

// File name of the lock of a device path: the mutex name for Windows-style
// paths, else the path with every character outside [A-Za-z0-9._-] made "_";
// "brindle-dev-" before it, ".lock" after it.
std::optional<std::string> DeviceLockName(const std::string& path);

// The name a device is locked under on this system. On Windows an interface
// path gives the mutex name the sibling tools also take for that device;
// elsewhere (and for the simulated device's paths) the lock file name.
std::optional<std::string> PlatformDeviceLockName(const std::string& path);

}  // namespace brindle
