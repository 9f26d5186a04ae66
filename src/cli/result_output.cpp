#include "cli/result_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/cli_options.h"
#include "cli/cli_texts.h"

namespace brindle::cli {

int FinishResult(int rc) {
  std::cout.flush();
  bool failed = !std::cout.good();
  errno = 0;
  if (std::fflush(stdout) != 0) failed = true;
  if (std::ferror(stdout)) failed = true;
  const int error = errno;
  if (!failed) return rc;
  ErrorLine() << "the result could not be written to stdout";
  if (error != 0) std::cerr << ": " << std::strerror(error);
  std::cerr << "\n";
  return rc == kExitOk ? kExitFailed : rc;
}

}  // namespace brindle::cli
