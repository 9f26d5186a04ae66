#pragma once
// What the system says about a HID node that hidapi does not tell: whether
// it is still there, and why it could not be opened. One file per system.
#include <string>

#include "device/hid_backend.h"

namespace brindle {

bool HidNodePresent(const std::string& path);

// Why the node at path cannot be opened for reads and writes.
HidOpenFailure HidOpenFailureOf(const std::string& path);

}  // namespace brindle
