#pragma once
// A recording window on a simulated device, with helpers to build device
// profiles and configurations.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "app/window_texts.h"
#include "fake_window.h"
#include "sim/sim_backend.h"
#include "temp_dir.h"

namespace brindle::test {

inline IdentityBlock IdentityText(const std::string& text) {
  IdentityBlock b{};
  std::memcpy(b.data(), text.data(), std::min(text.size(), b.size()));
  return b;
}

inline SimProfile ProfileWithIdentity(const std::string& text) {
  SimProfile p = DefaultSimProfile();
  p.identity = IdentityText(text);
  return p;
}

inline CBuildConfig ConfigFor(const std::string& company) {
  CBuildConfig c = CBuildConfig::Default();
  c.companyName = company;
  return c;
}

inline std::string Title(const std::string& state) { return std::string(text::kTitle) + state; }
inline std::string ConnectedTitle(const std::string& date) {
  return Title(std::string(text::kConnected) + text::kVersionPrefix + date);
}

class WindowTest : public ::testing::Test {
 protected:
  // Builds the window on a device with profile and runs its start-up. The
  // device starts unplugged when plugged is false.
  void Start(const SimProfile& profile = DefaultSimProfile(),
             const CBuildConfig& config = CBuildConfig::Default(), bool plugged = true) {
    sim = std::make_shared<CSimDevice>(profile);
    if (!plugged) sim->Unplug();
    StartOn(std::make_shared<CSimBackend>(sim), config);
  }
  // The same on a backend of the test's own (sim is left as it is).
  void StartOn(std::shared_ptr<IHidBackend> backend, const CBuildConfig& config = CBuildConfig::Default()) {
    window = std::make_unique<CFakeWindow>(std::move(backend), config);
    window->Hid().SetLockFolder(lockDir.Path());
    window->Hid().SetReadTimeoutMs(kReadTimeoutMs);
    window->OnInitDialog();
  }
  // Lets timer 2 fire, as two seconds after a connection.
  void Identify() {
    ASSERT_TRUE(window->FireTimer(kTimerIdentify)) << "timer 2 is not armed";
    window->Pump();
  }
  void DeviceChange(WPARAM event, LPARAM data = 0) {
    EXPECT_EQ(window->HandleMessage(WM_DEVICECHANGE, event, data), 0);
    window->Pump();
  }
  std::vector<uint8_t> DeviceBlock(uint8_t area, uint32_t block) const {
    const auto mem = sim->AreaCopy(area);
    return {mem.begin() + block * kBlockSize, mem.begin() + (block + 1) * kBlockSize};
  }
  size_t IdentityWrites() const {
    size_t n = 0;
    for (const auto& c : sim->CommandLog())
      if (c.fields.code == kCmdWriteBlocks && c.fields.blockAddress == kIdentityBlock) ++n;
    return n;
  }

  static constexpr int kReadTimeoutMs = 150;
  CTempDir lockDir;
  std::shared_ptr<CSimDevice> sim;
  std::unique_ptr<CFakeWindow> window;
};

}  // namespace brindle::test
