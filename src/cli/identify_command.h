#pragma once
// identify: the window's start-up on the chosen device, then the
// identification two seconds later, reported as JSON.
#include <string>
#include <vector>

#include "cli/device_session.h"

namespace brindle::cli {

int RunIdentify(CDeviceSession& session, const std::vector<std::string>& args);

}  // namespace brindle::cli
