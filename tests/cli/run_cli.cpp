#include "cli/run_cli.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "temp_dir.h"
#include "read_file.h"

extern char** environ;

namespace brindle::test {

CliResult RunCli(const std::vector<std::string>& args) { return RunCli(args, StdoutTo::kCaptured); }

CliResult RunCli(const std::vector<std::string>& args, StdoutTo stdoutTo) {
  CliResult result;
  const char* cli = std::getenv("BRINDLE_CLI");
  if (!cli) {
    result.err = "BRINDLE_CLI is not set";
    return result;
  }
  CTempDir dir;
  const std::string outPath = dir.Path() + "/out", errPath = dir.Path() + "/err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdoutTo == StdoutTo::kCaptured)
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  else if (stdoutTo == StdoutTo::kDevFull)
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
  else
    posix_spawn_file_actions_addclose(&actions, 1);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> all{cli};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, cli, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    result.err = "cannot start brindle-cli";
    return result;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = test::ReadWholeFile(outPath);
  result.err = test::ReadWholeFile(errPath);
  return result;
}

}  // namespace brindle::test
