// brindle-cli started with CreateProcessW: its output into files of the
// run's own folder, its environment merged as on Linux.
#include "cli/run_cli.h"

#include <cstdlib>
#include <utility>

#include "core/windows/unicode.h"
#include "core/windows/unique_handle.h"
#include "core/windows/windows_api.h"
#include "temp_dir.h"

namespace brindle::test {

namespace {

// This process's environment with the run's entries, as a Unicode block.
std::wstring EnvironmentBlock(const CliEnvironment& extra, const std::string& ownLocks) {
  CliEnvironment inherited;
  if (wchar_t* strings = GetEnvironmentStringsW()) {
    for (const wchar_t* e = strings; *e; e += wcslen(e) + 1) {
      const std::wstring entry = e;
      const size_t eq = entry.find(L'=', 1);  // "=C:=C:\..." entries start with '='
      if (eq != std::wstring::npos) inherited[Narrow(entry.substr(0, eq))] = Narrow(entry.substr(eq + 1));
    }
    FreeEnvironmentStringsW(strings);
  }
  std::wstring block;
  for (const auto& [name, value] : ChildEnvironment(std::move(inherited), extra, ownLocks))
    block += Widen(name) + L"=" + Widen(value) + L'\0';
  block += L'\0';
  return block;
}

CUniqueHandle InheritableFile(const std::string& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CUniqueHandle(CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::wstring Quote(const std::string& argument) {
  // Enough for the tests' arguments: no quotes inside, backslashes before
  // the closing quote doubled.
  std::string q = "\"" + argument;
  size_t backslashes = 0;
  for (auto it = argument.rbegin(); it != argument.rend() && *it == '\\'; ++it) ++backslashes;
  q.append(backslashes, '\\');
  return Widen(q + "\"");
}

}  // namespace

CCliProcess::CCliProcess(const std::vector<std::string>& args, const CliEnvironment& env, StdoutTo stdoutTo)
    : m_dir(std::make_unique<CTempDir>()) {
  const char* cli = std::getenv("BRINDLE_CLI");
  if (!cli) {
    m_result.err = "BRINDLE_CLI is not set";
    return;
  }
  const std::string locks = m_dir->Path() + "/locks";
  CreateDirectoryW(Widen(locks).c_str(), nullptr);
  CUniqueHandle out;
  if (stdoutTo == StdoutTo::kCaptured) {
    out = InheritableFile(m_dir->Path() + "/out");
  } else if (stdoutTo == StdoutTo::kDevFull) {
    // A pipe nobody reads: every write fails, as on a full device.
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE reader = nullptr, writer = nullptr;
    if (CreatePipe(&reader, &writer, &inherit, 0)) {
      CloseHandle(reader);
      out.Reset(writer);
    }
  }
  const CUniqueHandle err = InheritableFile(m_dir->Path() + "/err");
  std::wstring commandLine = Quote(cli);
  for (const std::string& a : args) commandLine += L" " + Quote(a);
  std::wstring block = EnvironmentBlock(env, locks);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = out.Get();
  startup.hStdError = err.Get();
  PROCESS_INFORMATION info{};
  // No console at all: given one (even a hidden one), a child without a
  // standard output handle writes to the console instead, and no write of
  // its fails.
  const BOOL started =
      CreateProcessW(Widen(cli).c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                     CREATE_UNICODE_ENVIRONMENT | DETACHED_PROCESS, block.data(), nullptr, &startup, &info);
  if (!started) {
    m_result.err = "cannot start brindle-cli";
    return;
  }
  CloseHandle(info.hThread);
  m_process = info.hProcess;
  m_pid = static_cast<pid_t>(info.dwProcessId);
}

CCliProcess::~CCliProcess() {
  if (m_process) {
    TerminateProcess(m_process, 137);
    WaitForSingleObject(m_process, INFINITE);
    CloseHandle(m_process);
  }
}

CliResult CCliProcess::Wait() {
  if (!m_process) return m_result;
  WaitForSingleObject(m_process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(m_process, &code);
  CloseHandle(m_process);
  m_process = nullptr;
  m_pid = -1;
  return Collect(static_cast<int>(code));
}

bool CCliProcess::Kill() { return m_process && TerminateProcess(m_process, 137); }

}  // namespace brindle::test
