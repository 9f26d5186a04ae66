// brindle-cli started with posix_spawn: its output into files of the
// run's own folder.
#include "cli/run_cli.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <utility>

#include "temp_dir.h"

extern char** environ;

namespace brindle::test {

namespace {

// This process's environment with the run's entries, as envp text.
std::vector<std::string> EnvironmentText(const CliEnvironment& extra, const std::string& ownLocks) {
  CliEnvironment inherited;
  for (char** e = environ; *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq) inherited[std::string(*e, static_cast<size_t>(eq - *e))] = eq + 1;
  }
  std::vector<std::string> text;
  for (const auto& [name, value] : ChildEnvironment(std::move(inherited), extra, ownLocks))
    text.push_back(name + "=" + value);
  return text;
}

}  // namespace

CCliProcess::CCliProcess(const std::vector<std::string>& args, const CliEnvironment& env, StdoutTo stdoutTo)
    : m_dir(std::make_unique<CTempDir>()) {
  const char* cli = std::getenv("BRINDLE_CLI");
  if (!cli) {
    m_result.err = "BRINDLE_CLI is not set";
    return;
  }
  const std::string outPath = m_dir->Path() + "/out", errPath = m_dir->Path() + "/err";
  const std::string locks = m_dir->Path() + "/locks";
  mkdir(locks.c_str(), 0700);
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
  std::vector<std::string> envText = EnvironmentText(env, locks);
  std::vector<char*> envp;
  for (auto& e : envText) envp.push_back(e.data());
  envp.push_back(nullptr);
  const int rc = posix_spawn(&m_pid, cli, &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    m_pid = -1;
    m_result.err = "cannot start brindle-cli";
  }
}

CCliProcess::~CCliProcess() {
  if (m_pid > 0) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
}

CliResult CCliProcess::Wait() {
  if (m_pid <= 0) return m_result;
  int status = 0;
  waitpid(m_pid, &status, 0);
  m_pid = -1;
  return Collect(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}

bool CCliProcess::Kill() { return m_pid > 0 && kill(m_pid, SIGKILL) == 0; }

}  // namespace brindle::test
