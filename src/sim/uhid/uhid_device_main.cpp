// brindle-uhid-device: the simulated device's firmware model presented to the
// kernel as a real HID device, so the program can be run end to end through
// hidraw without hardware.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "core/unique_fd.h"
#include "sim/memory_dump.h"
#include "sim/sim_profile.h"
#include "sim/uhid/uhid_event_pump.h"
#include "sim/uhid/uhid_server.h"

using namespace brindle;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "usage: brindle-uhid-device [--profile=PROFILE.json] [--unplug-after=N] [--dump=DIR]\n"
    "                           [--bus=usb|bluetooth|i2c] [--uhid=PATH]\n"
    "  --profile       the simulated device's profile (the JSON of brindle-cli --simulate=)\n"
    "  --unplug-after  destroy the device after N reports (overrides faults.unplugAfterReports)\n"
    "  --dump          at exit write DIR/area0.bin and DIR/area1.bin\n"
    "  --bus           bus the device claims (default usb)\n"
    "Runs until SIGTERM or SIGINT, or until the device unplugs.\n";

struct Options {
  std::string profilePath;
  std::optional<int64_t> unplugAfter;
  std::string dumpDir;
  uint16_t bus = kUhidBusUsb;
  std::string uhidPath = "/dev/uhid";
};

std::optional<int64_t> ParseCount(const std::string& text) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0') return std::nullopt;
  return v;
}

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](const char* prefix) -> std::optional<std::string> {
      const size_t n = std::strlen(prefix);
      if (a.compare(0, n, prefix) != 0) return std::nullopt;
      return a.substr(n);
    };
    if (auto v = value("--profile=")) {
      o.profilePath = *v;
    } else if (auto v = value("--unplug-after=")) {
      o.unplugAfter = ParseCount(*v);
      if (!o.unplugAfter) {
        error = "--unplug-after needs a count";
        return std::nullopt;
      }
    } else if (auto v = value("--dump=")) {
      o.dumpDir = *v;
    } else if (auto v = value("--uhid=")) {
      o.uhidPath = *v;
    } else if (auto v = value("--bus=")) {
      if (*v == "usb")
        o.bus = kUhidBusUsb;
      else if (*v == "bluetooth")
        o.bus = kUhidBusBluetooth;
      else if (*v == "i2c")
        o.bus = kUhidBusI2c;
      else {
        error = "unknown bus " + *v;
        return std::nullopt;
      }
    } else {
      error = "unknown argument " + a;
      return std::nullopt;
    }
    if (a.back() == '=') {
      error = a + " needs a value";
      return std::nullopt;
    }
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto options = ParseOptions(argc, argv, error);
  if (!options) {
    std::cerr << "brindle-uhid-device: " << error << "\n" << kUsage;
    return kExitUsage;
  }
  SimProfile profile = DefaultSimProfile();
  if (!options->profilePath.empty() && !LoadSimProfile(options->profilePath, profile, error)) {
    std::cerr << "brindle-uhid-device: " << error << "\n";
    return kExitUsage;
  }
  if (options->unplugAfter) profile.faults.unplugAfterReports = *options->unplugAfter;

  // Termination signals arrive through a descriptor so the loop below ends
  // between two events and the dump always sees a finished command.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
  const CUniqueFd signals(signalfd(-1, &stopSignals, SFD_CLOEXEC));
  const CUniqueFd uhid(open(options->uhidPath.c_str(), O_RDWR | O_CLOEXEC));
  if (signals.Get() < 0 || uhid.Get() < 0) {
    std::cerr << "brindle-uhid-device: cannot open " << options->uhidPath << ": " << std::strerror(errno)
              << "\n";
    return kExitFailed;
  }

  CSimDevice device(profile);
  CUhidServer server(uhid.Get(), device);
  int rc = kExitOk;
  const auto started = std::chrono::steady_clock::now();
  if (device.IsPlugged() && !server.Create({options->bus, "Brindle virtual navigation device"})) {
    std::cerr << "brindle-uhid-device: the kernel refused the device\n";
    return kExitFailed;
  }
  CUhidEventPump pump(uhid.Get());
  bool running = server.IsCreated();
  if (running && !pump.Start()) {
    std::cerr << "brindle-uhid-device: cannot start the event thread\n";
    server.Destroy();
    return kExitFailed;
  }
  std::vector<UhidHostEvent> events;
  while (running) {
    pollfd fds[2] = {{pump.ReadyFd(), POLLIN, 0}, {signals.Get(), POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      rc = kExitFailed;
      break;
    }
    if (fds[1].revents & POLLIN) break;
    if (!(fds[0].revents & POLLIN)) continue;
    events.clear();
    if (!pump.Take(events)) {
      std::cerr << "brindle-uhid-device: the uhid channel failed\n";
      rc = kExitFailed;
      break;
    }
    for (const UhidHostEvent& event : events) {
      const bool wasOpen = server.IsOpenByHost();
      const CUhidServer::Step step = server.HandleEvent(event);
      // Scripts wait for these lines to know a host holds the device.
      if (server.IsOpenByHost() != wasOpen)
        std::cerr << "brindle-uhid-device: host " << (wasOpen ? "closed" : "opened") << " the device\n";
      if (step == CUhidServer::Step::kUnplugged) {
        std::cerr << "brindle-uhid-device: unplugged after " << device.ReportCount() << " reports\n";
        running = false;
        break;
      }
      if (step == CUhidServer::Step::kFailed) {
        std::cerr << "brindle-uhid-device: the uhid channel failed\n";
        rc = kExitFailed;
        running = false;
        break;
      }
    }
  }
  server.Destroy();

  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::cerr << "brindle-uhid-device: " << server.OutputReports() << " reports in, " << server.InputReports()
            << " out, " << seconds << " s"
            << (pump.IsRealtime() ? "" : " (event thread without real-time priority)") << "\n";
  if (!options->dumpDir.empty() && !WriteSimMemoryDump(device, options->dumpDir, error)) {
    std::cerr << "brindle-uhid-device: " << error << "\n";
    rc = kExitFailed;
  }
  return rc;
}
