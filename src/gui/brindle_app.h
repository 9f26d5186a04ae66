#pragma once
// CBrindleApp: the program's start. A second start brings the running
// window (ours or a sibling tool's) forward and ends without a window; the
// first runs the main window until it closes.
#include <memory>
#include <string>

#include "gui/instance_lock.h"
#include "sim/device_backend.h"

namespace brindle {

struct GuiOptions {
  BackendOptions device;  // --simulate[=PROFILE.json]
  // The device's backend, built while the options are read when they name
  // the simulated device (a bad profile is then a usage error); null until
  // then for the connected device.
  DeviceBackend backend;
  // Hidden, with --simulate only: update this file once the device is
  // identified (scripts/screenshot.sh). Empty in normal use.
  std::string demoUpdateFile;
};

// Reads the command line: 0 to run, or the exit status after a usage
// message on err (2) or the help text on out (0 with showHelp).
int ParseGuiOptions(int argc, char** argv, GuiOptions& options, bool& showHelp, std::string& text);

class CBrindleApp {
 public:
  explicit CBrindleApp(GuiOptions options) : m_options(std::move(options)) {}

  // Runs the program. Always false: the process ends when it returns.
  bool InitInstance();
  // Releases the instance lock; the process's exit status.
  int ExitInstance();

 private:
  GuiOptions m_options;
  CInstanceLock m_instanceLock;
};

}  // namespace brindle
