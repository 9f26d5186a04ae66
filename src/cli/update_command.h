#pragma once
// update FILE [--verify] | update --archive-url URL [--verify]: identifies
// the device as the window does, then runs the update worker as the Update
// button would, without its question. verify FILE: the worker's read-back of
// everything FILE would write, with nothing sent.
#include <string>
#include <vector>

#include "cli/device_session.h"

namespace brindle::cli {

int RunUpdate(CDeviceSession& session, const std::vector<std::string>& args);
int RunVerify(CDeviceSession& session, const std::vector<std::string>& args);

}  // namespace brindle::cli
