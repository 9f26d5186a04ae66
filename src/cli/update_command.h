#pragma once
// update FILE | update --archive-url URL: identifies the device as the window
// does, then runs the update worker as the Update button would, without its
// question.
#include <string>
#include <vector>

#include "cli/device_session.h"

namespace brindle::cli {

int RunUpdate(CDeviceSession& session, const std::vector<std::string>& args);

}  // namespace brindle::cli
