#include "sim/device_backend.h"

#include <string_view>

#include "device/hidapi_backend.h"
#include "sim/sim_backend.h"

namespace brindle {

namespace {

constexpr std::string_view kSimulate = "--simulate";

}  // namespace

ArgumentUse ParseBackendArgument(const std::string& arg, BackendOptions& options, std::string& error) {
  if (arg == kSimulate) {
    options.simulate = true;
    options.profilePath.clear();
    return ArgumentUse::kTaken;
  }
  if (arg.size() <= kSimulate.size() || arg.compare(0, kSimulate.size(), kSimulate) != 0 ||
      arg[kSimulate.size()] != '=')
    return ArgumentUse::kNotOurs;
  options.simulate = true;
  options.profilePath = arg.substr(kSimulate.size() + 1);
  if (options.profilePath.empty()) {
    error = "--simulate= needs a profile file";
    return ArgumentUse::kBad;
  }
  return ArgumentUse::kTaken;
}

bool MakeDeviceBackend(const BackendOptions& options, DeviceBackend& backend, std::string& error) {
  if (!options.simulate) {
    backend = {std::make_shared<CHidapiBackend>(), nullptr};
    return true;
  }
  SimProfile profile = DefaultSimProfile();
  if (!options.profilePath.empty() && !LoadSimProfile(options.profilePath, profile, error)) return false;
  auto sim = std::make_shared<CSimDevice>(profile);
  backend = {std::make_shared<CSimBackend>(sim), sim};
  return true;
}

}  // namespace brindle
