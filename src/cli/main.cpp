// brindle-cli: the console twin of the desktop program.
#include <iostream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/instance_lock.h"
#include "app/window_texts.h"
#include "cli/cli_texts.h"
#include "cli/console_platform.h"
#include "cli/device_commands.h"
#include "cli/file_commands.h"
#include "cli/identify_command.h"
#include "cli/online_commands.h"
#include "cli/result_output.h"
#include "cli/settings_command.h"
#include "cli/update_command.h"
#include "core/version.h"
#include "online/working_folder.h"

using namespace brindle;
using namespace brindle::cli;

namespace {

int RunCommandLine(int argc, char** argv) {
  // Questions about the program itself open nothing.
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::cout << "brindle-cli " << brindle::kVersion << "\n";
    return kExitOk;
  }
  if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::cout << kUsage;
    return kExitOk;
  }
  std::string error;
  const auto options = ParseOptions(argc, argv, error);
  if (!options) {
    ErrorLine() << error << "\n" << kUsage;
    return kExitUsage;
  }
  // Commands on files alone open no device.
  using FileHandler = int (*)(const std::vector<std::string>&);
  static const std::map<std::string, FileHandler> kFileCommands = {
      {"inspect", RunInspect},
      {"pack", RunPack},
      {"download", RunDownload},
  };
  if (const auto file = kFileCommands.find(options->command); file != kFileCommands.end())
    return file->second(options->args);
  using Handler = int (*)(CDeviceSession&, const std::vector<std::string>&);
  static const std::map<std::string, Handler> kDeviceCommands = {
      {"version", RunVersion},
      {"read", RunRead},
  };
  // Commands that run the window's own start-up, which opens the device.
  static const std::map<std::string, Handler> kWindowCommands = {
      {"identify", RunIdentify},
      {"settings", RunSettings},
      {"update", RunUpdate},
      {"verify", RunVerify},
  };
  const auto it = kDeviceCommands.find(options->command);
  const auto windowCommand = kWindowCommands.find(options->command);
  if (it == kDeviceCommands.end() && windowCommand == kWindowCommands.end()) {
    ErrorLine() << "unknown command " << options->command << "\n" << kUsage;
    return kExitUsage;
  }
  CDeviceSession session;
  if (!session.Create(*options, error)) {
    ErrorLine() << error << "\n";
    return kExitUsage;
  }
  // The device and the working folder are used by one copy of Brindle at a
  // time, window or console.
  CSharedLock instance;
  switch (AcquireInstanceLock(instance)) {
    case LockResult::kAcquired: break;
    case LockResult::kHeld: ErrorLine() << console_text::kAnotherCopyRunning << "\n"; return kExitBusy;
    case LockResult::kUnusable: ErrorLine() << instance.Error() << "\n"; return kExitFailed;
  }
  const CRunFolderScope runFolder;  // this run's working files go with it
  const bool opened = session.Open();
  if (!opened && session.Hid().LastOpenFailure() == HidOpenFailure::kInUse) {
    // Another user's copy holds it: the device is locked machine-wide.
    ErrorLine() << console_text::kDeviceInUse << "\n";
    return kExitBusy;
  }
  if (!opened && session.Hid().LastOpenFailure() == HidOpenFailure::kLockUnavailable) {
    ErrorLine() << console_text::kDeviceCannotBeLocked << session.Hid().LockError() << "\n";
    return kExitFailed;
  }
  if (windowCommand != kWindowCommands.end()) {
    // The window's start-up opens the device itself.
    session.Close();
  } else if (!opened) {
    std::cout << text::kNoHardware << "\n";
    const std::string hint = session.OpenFailureHint();
    if (!hint.empty()) ErrorLine() << hint << "\n";
    return kExitNoDevice;
  }
  const int rc = windowCommand != kWindowCommands.end() ? windowCommand->second(session, options->args)
                                                        : it->second(session, options->args);
  if (!options->simDumpDir.empty() && !session.DumpSimMemory(options->simDumpDir, error)) {
    ErrorLine() << error << "\n";
    return kExitFailed;
  }
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  HoldStandardStreams();
  UseBinaryStandardStreams();
  std::vector<std::string> arguments = Utf8Arguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& a : arguments) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  return FinishResult(RunCommandLine(static_cast<int>(arguments.size()), pointers.data()));
}
