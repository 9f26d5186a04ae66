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

}  // namespace brindle::test
