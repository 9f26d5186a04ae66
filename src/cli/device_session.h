#pragma once
// The device a brindle-cli command talks to: the hidapi device or the
// simulated one, opened the way the window opens it.
#include <memory>
#include <string>

#include "cli/cli_options.h"
#include "device/hid_cmd.h"
#include "sim/sim_device.h"

namespace brindle::cli {

class CDeviceSession {
 public:
  // Builds the backend; false with a reason when the profile is unusable.
  bool Create(const Options& options, std::string& error);
  // FindAndOpen on the command object; false when no device is there.
  bool Open();
  // Gives a command object (the session's own, or a window's) the
  // transport settings of the command line.
  void Configure(CHidCmd& hid) const;
  // Closes the device again (and drops its lock).
  void Close();
  // Text that explains a failed Open beyond the window's own message.
  std::string OpenFailureHint() const;
  // Writes area0.bin and area1.bin of the simulated device into dir.
  bool DumpSimMemory(const std::string& dir, std::string& error) const;

  CHidCmd& Hid() { return *m_hid; }
  // The backend the session opens through; a window builds its own command
  // object on it.
  std::shared_ptr<IHidBackend> Backend() const { return m_backend; }
  std::shared_ptr<CSimDevice> SimDevice() const { return m_sim; }

 private:
  std::shared_ptr<CSimDevice> m_sim;  // null for real hardware
  std::shared_ptr<IHidBackend> m_backend;
  std::unique_ptr<CHidCmd> m_hid;
  int m_readTimeoutMs = 0;  // 0: the transport's own bound
};

}  // namespace brindle::cli
