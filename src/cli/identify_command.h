#pragma once
// identify: the window's start-up on the chosen device, then the
// identification two seconds later, reported as JSON.
#include <string>
#include <vector>

#include "cli/device_session.h"

namespace brindle::cli {

class CConsoleWindow;

int RunIdentify(CDeviceSession& session, const std::vector<std::string>& args);

// The window's start-up, which opens the device, and the identification that
// follows a connection: what every command that acts as the window starts with.
void StartAndIdentify(CConsoleWindow& window);

}  // namespace brindle::cli
