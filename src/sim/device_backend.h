#pragma once
// The device both front ends talk to, chosen by the same options: the
// connected device through hidapi, or the built-in simulated device
// (`--simulate`, `--simulate=PROFILE.json`).
#include <memory>
#include <string>

#include "device/hid_backend.h"
#include "sim/sim_device.h"

namespace brindle {

struct BackendOptions {
  bool simulate = false;
  std::string profilePath;  // --simulate=PROFILE.json; empty for the default profile
};

enum class ArgumentUse {
  kNotOurs,  // some other argument: left to the caller
  kTaken,    // --simulate or --simulate=PROFILE.json, stored in the options
  kBad,      // ours but unusable (see the error text)
};

// Reads one command-line argument into options.
ArgumentUse ParseBackendArgument(const std::string& arg, BackendOptions& options, std::string& error);

struct DeviceBackend {
  std::shared_ptr<IHidBackend> hid;
  std::shared_ptr<CSimDevice> sim;  // the simulated device; null for the connected one
};

// Builds the backend the options choose. False with a reason when the
// simulated device's profile cannot be loaded.
bool MakeDeviceBackend(const BackendOptions& options, DeviceBackend& backend, std::string& error);

}  // namespace brindle
