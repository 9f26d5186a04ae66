#pragma once
// Command line of brindle-cli: the device options shared by every command,
// then the command and its own arguments.
#include <optional>
#include <string>
#include <vector>

#include "sim/device_backend.h"

namespace brindle::cli {

enum ExitCode { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitNoDevice = 3, kExitBusy = 4 };

struct Options {
  BackendOptions device;   // --simulate[=PROFILE.json]
  std::string simDumpDir;  // --sim-dump=DIR
  int readTimeoutMs = 0;   // --read-timeout=MS; 0 keeps the transport's own bound
  std::string command;
  std::vector<std::string> args;  // everything after the command, device options removed
};

// Parses argv; on a usage error returns nothing and sets error.
std::optional<Options> ParseOptions(int argc, char** argv, std::string& error);

// A block address or other number given in decimal or 0x hex. Nothing when
// the text is not a whole number within 32 bits.
std::optional<uint32_t> ParseNumber(const std::string& text);

extern const char* const kUsage;

}  // namespace brindle::cli
