#include "cli/identify_command.h"

#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/cli_texts.h"
#include "cli/console_window.h"

namespace brindle::cli {

int RunIdentify(CDeviceSession& session, const std::vector<std::string>& args) {
  if (!args.empty()) {
    ErrorLine() << "identify takes no arguments\n" << kUsage;
    return kExitUsage;
  }
  CConsoleWindow window(session.Backend());
  session.Configure(window.Hid());
  StartAndIdentify(window);

  const auto& id = window.Identity();
  const auto nul = std::find(id.begin(), id.end(), 0);
  const bool connected = window.Hid().IsConnected();
  nlohmann::ordered_json out = {
      {"connected", connected},
      {"deviceVersion", window.DeviceVersion()},
      {"settingsLayout", window.SettingsLayout()},
      {"settingsRevision", window.SettingsRevision()},
      {"brand", std::string(id.begin(), nul)},
      {"accepted", IsAccepted(window.LastBrandRule())},
      {"dataDate", window.DataDateText()},
      {"deviceDataVersion", window.DeviceDataVersion()},
      {"title", window.Title()},
  };
  // Brand bytes are in the device's code page, not necessarily UTF-8.
  std::cout << out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  if (!connected && window.Hid().LastOpenFailure() == HidOpenFailure::kPermission)
    ErrorLine() << console_text::AccessHint(window.Hid().DevicePath()) << "\n";
  return connected ? kExitOk : kExitNoDevice;
}

void StartAndIdentify(CConsoleWindow& window) {
  window.OnInitDialog();
  // Timer 2 is armed while the device is open and killed by the
  // identification; every device exchange in between is bounded.
  window.RunUntil([&] { return !window.IsTimerArmed(kTimerIdentify); });
}

}  // namespace brindle::cli
