#pragma once
// settings: identifies the device and opens the form the Setting button
// opens; shows it as JSON, or sets the given values and confirms it as a
// user would, through the window's own Setting procedure.
#include <string>
#include <vector>

#include "cli/device_session.h"

namespace brindle::cli {

int RunSettings(CDeviceSession& session, const std::vector<std::string>& args);

}  // namespace brindle::cli
