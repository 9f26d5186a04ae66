#pragma once
// Runs the built brindle-cli (path from $BRINDLE_CLI) and collects its output.
// Each run gets a lock folder of its own (so that tests running side by side
// never see each other as another copy of Brindle) unless BRINDLE_LOCK_DIR
// is set in this process's environment or in env.
#include <sys/types.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace brindle::test {

class CTempDir;

struct CliResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Extra environment entries for the child; an empty value removes one.
using CliEnvironment = std::map<std::string, std::string>;

// Where the program's stdout goes: a file read back into out, somewhere
// every write fails (/dev/full; on Windows a pipe whose reading end is
// closed), or nowhere (descriptor 1 closed, no standard output handle).
enum class StdoutTo { kCaptured, kDevFull, kClosed };

// The environment a started brindle-cli gets: inherited with env's entries
// applied, and BRINDLE_LOCK_DIR set to ownLocks unless either names one.
CliEnvironment ChildEnvironment(CliEnvironment inherited, const CliEnvironment& env,
                                const std::string& ownLocks);

CliResult RunCli(const std::vector<std::string>& args, const CliEnvironment& env = {});
CliResult RunCli(const std::vector<std::string>& args, StdoutTo stdoutTo);

// A brindle-cli started without waiting for it.
class CCliProcess {
 public:
  CCliProcess(const std::vector<std::string>& args, const CliEnvironment& env = {},
              StdoutTo stdoutTo = StdoutTo::kCaptured);
  ~CCliProcess();
  CCliProcess(const CCliProcess&) = delete;
  CCliProcess& operator=(const CCliProcess&) = delete;
  pid_t Pid() const { return m_pid; }
  // Waits for the end and collects the output.
  CliResult Wait();
  // Ends it at once (SIGKILL, TerminateProcess); false when that failed.
  bool Kill();
  // The stderr written so far.
  std::string ErrSoFar() const;

 private:
  // Ends a run that exited with exitCode: its output read back into m_result.
  CliResult Collect(int exitCode);

  std::unique_ptr<CTempDir> m_dir;
  pid_t m_pid = -1;
  void* m_process = nullptr;  // Windows: the process handle
  CliResult m_result;
};

}  // namespace brindle::test
