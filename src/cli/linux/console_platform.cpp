#include "cli/console_platform.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace brindle::cli {

void HoldStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // stdin and stdout read-only: reads see an empty input, writes fail.
    const int held = open("/dev/null", (fd == 2 ? O_WRONLY : O_RDONLY));
    if (held < 0) continue;
    if (held != fd) {
      dup2(held, fd);
      close(held);
    }
  }
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

void UseBinaryStandardStreams() {}

void CatchInterrupts(void (*handler)(int), bool endOfSession) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  if (!endOfSession) return;
  sigaction(SIGTERM, &action, nullptr);
  // A closed terminal ends the run as an interrupt does.
  sigaction(SIGHUP, &action, nullptr);
}

}  // namespace brindle::cli
