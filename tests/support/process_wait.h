#pragma once
// Waiting on other processes in tests that start or kill them.
#include <sys/types.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#ifdef _WIN32
#include "core/windows/windows_api.h"
#else
#include <signal.h>
#endif

namespace brindle::test {

// True once pred holds, false when limit passed first.
template <typename Pred>
bool WaitFor(Pred pred, std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// True once pid has ended (gone, or a zombie nobody reaps yet).
inline bool Ended(pid_t pid) {
#ifdef _WIN32
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (!process) return true;
  const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
#else
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return true;
  const size_t paren = text.rfind(')');
  return paren == std::string::npos || text.size() < paren + 3 || text[paren + 2] == 'Z';
#endif
}

// Ends pid at once, if it is still there.
inline void KillProcess(pid_t pid) {
#ifdef _WIN32
  if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid))) {
    TerminateProcess(process, 137);
    CloseHandle(process);
  }
#else
  kill(pid, SIGKILL);
#endif
}

}  // namespace brindle::test
