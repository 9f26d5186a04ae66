#pragma once
// Runs an external program (an archiver) and waits for it.
#include <atomic>
#include <string>
#include <vector>

namespace brindle {

// Starts programPath with the argument vector (no shell: arguments reach the
// program exactly as given), stdin, stdout and stderr on /dev/null so the
// program runs unseen and never waits for input, in workingFolder when that
// is not empty. Waits for it to end and stores its exit status in exitCode
// (128 + signal number when a signal ended it). When stop becomes true the
// program is ended (SIGTERM, then SIGKILL after a grace period), so the
// caller's own shutdown stays bounded. The program never outlives this
// process: it is killed when we end, however we end (SIGKILL included).
// 1 when the program ran, 0 when it could not be started (exitCode is then
// untouched).
int RunAndWait(const std::string& programPath, const std::vector<std::string>& arguments, int& exitCode,
               const std::atomic<bool>* stop = nullptr, const std::string& workingFolder = {});

}  // namespace brindle
