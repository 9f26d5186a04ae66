// brindle-cli: the console twin of the desktop program.
#include <iostream>
#include <map>

#include "cli/device_commands.h"

using namespace brindle::cli;

int main(int argc, char** argv) {
  std::string error;
  const auto options = ParseOptions(argc, argv, error);
  if (!options) {
    std::cerr << "brindle-cli: " << error << "\n" << kUsage;
    return kExitUsage;
  }
  using Handler = int (*)(CDeviceSession&, const std::vector<std::string>&);
  static const std::map<std::string, Handler> kDeviceCommands = {
      {"version", RunVersion},
      {"read", RunRead},
  };
  const auto it = kDeviceCommands.find(options->command);
  if (it == kDeviceCommands.end()) {
    std::cerr << "brindle-cli: unknown command " << options->command << "\n" << kUsage;
    return kExitUsage;
  }
  CDeviceSession session;
  if (!session.Create(*options, error)) {
    std::cerr << "brindle-cli: " << error << "\n";
    return kExitUsage;
  }
  if (!session.Open()) {
    std::cout << "   No hardware connected!\n";
    const std::string hint = session.OpenFailureHint();
    if (!hint.empty()) std::cerr << "brindle-cli: " << hint << "\n";
    return kExitNoDevice;
  }
  const int rc = it->second(session, options->args);
  if (!options->simDumpDir.empty() && !session.DumpSimMemory(options->simDumpDir, error)) {
    std::cerr << "brindle-cli: " << error << "\n";
    return kExitFailed;
  }
  return rc;
}
