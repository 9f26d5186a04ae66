#pragma once
// Low-level device commands of brindle-cli.
#include <string>
#include <vector>

#include "cli/device_session.h"

namespace brindle::cli {

// version: prints the device's answer to QueryVersion.
int RunVersion(CDeviceSession& session, const std::vector<std::string>& args);
// read AREA BLOCK: hex dump of one block.
int RunRead(CDeviceSession& session, const std::vector<std::string>& args);

}  // namespace brindle::cli
