#pragma once
// Runs the built brindle-cli (path from $BRINDLE_CLI) and collects its output.
#include <string>
#include <vector>

namespace brindle::test {

struct CliResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

CliResult RunCli(const std::vector<std::string>& args);

// Where the program's stdout goes: a file read back into out, /dev/full
// (every write fails), or nowhere (descriptor 1 closed).
enum class StdoutTo { kCaptured, kDevFull, kClosed };
CliResult RunCli(const std::vector<std::string>& args, StdoutTo stdoutTo);

}  // namespace brindle::test
