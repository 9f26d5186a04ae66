#include "cli/console_platform.h"

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <csignal>
#include <cstdio>

#include "core/windows/unicode.h"
#include "core/windows/windows_api.h"
// After <windows.h>.
#include <shellapi.h>

namespace brindle::cli {

namespace {

std::atomic<void (*)(int)> g_handler{nullptr};
std::atomic<bool> g_endOfSession{false};
// A closing console ends the process once the handler returns; the run
// gets this long to stop the worker and remove its working files.
constexpr DWORD kCloseGraceMs = 4000;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  void (*handler)(int) = g_handler.load();
  if (!handler) return FALSE;
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT: handler(SIGINT); return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      if (!g_endOfSession.load()) return FALSE;
      handler(SIGINT);
      Sleep(kCloseGraceMs);
      return TRUE;
    default: return FALSE;
  }
}

}  // namespace

void HoldStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (_get_osfhandle(fd) != -1) continue;
    const int held = _open("NUL", fd == 2 ? _O_WRONLY : _O_RDONLY);
    if (held < 0) continue;
    if (held != fd) {
      _dup2(held, fd);
      _close(held);
    }
  }
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return {argv, argv + argc};
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Narrow(wide[i]));
  LocalFree(wide);
  return arguments;
}

void UseBinaryStandardStreams() {
  SetConsoleOutputCP(CP_UTF8);
  std::fflush(stdout);
  std::fflush(stderr);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

void CatchInterrupts(void (*handler)(int), bool endOfSession) {
  g_endOfSession.store(endOfSession);
  if (g_handler.exchange(handler) == nullptr) SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

}  // namespace brindle::cli
