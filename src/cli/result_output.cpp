#include "cli/result_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/cli_options.h"

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

int FinishResult(int rc) {
  std::cout.flush();
  bool failed = !std::cout.good();
  errno = 0;
  if (std::fflush(stdout) != 0) failed = true;
  if (std::ferror(stdout)) failed = true;
  const int error = errno;
  if (!failed) return rc;
  std::cerr << "brindle-cli: the result could not be written to stdout";
  if (error != 0) std::cerr << ": " << std::strerror(error);
  std::cerr << "\n";
  return rc == kExitOk ? kExitFailed : rc;
}

}  // namespace brindle::cli
