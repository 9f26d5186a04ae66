#pragma once
// Texts of brindle-cli's own that more than one command prints. The texts
// the console shares with the window come from app/window_texts.h.
#include <iostream>
#include <string>

namespace brindle::cli::console_text {

constexpr const char* kAnotherCopyRunning =
    "another copy of Brindle (brindle or brindle-cli) is running; nothing was done";
constexpr const char* kDeviceInUse = "the device is in use by another copy of Brindle; nothing was done";
constexpr const char* kDeviceCannotBeLocked = "the device cannot be locked: ";

// Said when a matching device is present but its node may not be opened.
inline std::string AccessHint(const std::string& devicePath) {
  return "the device " + devicePath +
         " is present but may not be opened: install 70-brindle.rules (see README)";
}

}  // namespace brindle::cli::console_text

namespace brindle::cli {

// Standard error with the program's name written first: every error line
// brindle-cli prints starts this way, so a script can tell them apart.
inline std::ostream& ErrorLine() { return std::cerr << "brindle-cli: "; }

}  // namespace brindle::cli
