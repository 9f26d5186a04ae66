// What the runners of both systems share: the child's environment, the
// output read back, and the one-call runs.
#include "cli/run_cli.h"

#include "read_file.h"
#include "temp_dir.h"

namespace brindle::test {

CliEnvironment ChildEnvironment(CliEnvironment inherited, const CliEnvironment& env,
                                const std::string& ownLocks) {
  if (!inherited.count("BRINDLE_LOCK_DIR")) inherited["BRINDLE_LOCK_DIR"] = ownLocks;
  for (const auto& [name, value] : env) {
    if (value.empty())
      inherited.erase(name);
    else
      inherited[name] = value;
  }
  return inherited;
}

CliResult CCliProcess::Collect(int exitCode) {
  m_result.exitCode = exitCode;
  m_result.out = ReadWholeFile(m_dir->Path() + "/out");
  m_result.err = ReadWholeFile(m_dir->Path() + "/err");
  return m_result;
}

std::string CCliProcess::ErrSoFar() const { return ReadWholeFile(m_dir->Path() + "/err"); }

CliResult RunCli(const std::vector<std::string>& args, const CliEnvironment& env) {
  return CCliProcess(args, env).Wait();
}

CliResult RunCli(const std::vector<std::string>& args, StdoutTo stdoutTo) {
  return CCliProcess(args, {}, stdoutTo).Wait();
}

}  // namespace brindle::test
