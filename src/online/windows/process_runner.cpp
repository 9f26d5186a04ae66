// Running an archiver on Windows: CreateProcessW with the window hidden, in
// a job object that ends the archiver (and anything it starts) when a stop
// is asked for and when this process ends, however it ends.
#include "online/process_runner.h"

#include <chrono>
#include <thread>

#include "core/windows/unicode.h"
#include "core/windows/unique_handle.h"
#include "core/windows/windows_api.h"
#include "online/windows/command_line.h"

namespace brindle {

namespace {

// How often the wait looks at the stop flag.
constexpr DWORD kPollMs = 20;
// Exit code of an archiver ended on a stop request, as 128 + SIGTERM is on Linux.
constexpr UINT kStoppedExitCode = 143;

}  // namespace

int RunAndWait(const std::string& programPath, const std::vector<std::string>& arguments, int& exitCode,
               const std::atomic<bool>* stop, const std::string& workingFolder) {
  if (programPath.empty()) return 0;
  std::wstring commandLine = Widen(BuildCommandLine(programPath, arguments));
  const std::wstring program = Widen(programPath);
  const std::wstring folder = Widen(workingFolder);

  // Killed with the job: on a stop request, and when our last handle to it
  // closes (our exit or our death).
  CUniqueHandle job(CreateJobObjectW(nullptr, nullptr));
  if (!job) return 0;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits))
    return 0;

  // Unseen and never waiting for input: hidden window, and its standard
  // handles on NUL.
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  CUniqueHandle nulIn(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                  OPEN_EXISTING, 0, nullptr));
  CUniqueHandle nulOut(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                   OPEN_EXISTING, 0, nullptr));
  if (!nulIn || !nulOut) return 0;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = nulIn.Get();
  startup.hStdOutput = nulOut.Get();
  startup.hStdError = nulOut.Get();

  PROCESS_INFORMATION info{};
  // Suspended until it is in the job, so nothing it starts escapes it. The
  // program is named in full: no search of the current folder, where a
  // downloaded file could lie.
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                      CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, folder.empty() ? nullptr : folder.c_str(),
                      &startup, &info))
    return 0;
  CUniqueHandle process(info.hProcess);
  CUniqueHandle thread(info.hThread);
  if (!AssignProcessToJobObject(job.Get(), info.hProcess)) {
    TerminateProcess(info.hProcess, 1);
    WaitForSingleObject(info.hProcess, INFINITE);
    return 0;
  }
  ResumeThread(info.hThread);

  bool stopped = false;
  for (;;) {
    const DWORD r = WaitForSingleObject(info.hProcess, stop ? kPollMs : INFINITE);
    if (r == WAIT_OBJECT_0) break;
    if (r == WAIT_FAILED) {
      TerminateJobObject(job.Get(), 1);
      WaitForSingleObject(info.hProcess, INFINITE);
      break;
    }
    if (!stopped && stop && stop->load(std::memory_order_acquire)) {
      // Windows has no polite request a console program must honour: the
      // job ends the archiver and whatever it started.
      TerminateJobObject(job.Get(), kStoppedExitCode);
      stopped = true;
    }
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(info.hProcess, &code)) code = static_cast<DWORD>(-1);
  exitCode = static_cast<int>(code);
  return 1;
}

}  // namespace brindle
