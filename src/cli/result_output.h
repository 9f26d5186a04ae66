#pragma once
// brindle-cli's result on stdout must arrive, or the exit status says it
// did not: a script must never take a lost result for success.
namespace brindle::cli {

// Flushes stdout. When the result, or any part of it, could not be
// written (a full disk, a closed stdout), says so on stderr and returns 1
// in place of a success; a failing rc stays as it is.
int FinishResult(int rc);

}  // namespace brindle::cli
