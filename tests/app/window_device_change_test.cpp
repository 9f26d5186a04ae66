// Device-change events: which ones open, close or leave the device alone.
#include "window_fixture.h"

namespace brindle {
namespace {

using test::Title;
using test::WindowTest;

constexpr WPARAM kDbtQueryChangeConfig = 0x0017;
constexpr LPARAM kDbtDevtypVolume = 2;

TEST_F(WindowTest, DeviceChangeEventsWhileConnected) {
  struct Case {
    const char* name;
    bool unplugFirst;
    WPARAM event;
    LPARAM data;
    bool staysConnected;
  };
  const Case cases[] = {
      {"nodes changed, device still there", false, DBT_DEVNODES_CHANGED, 0, true},
      {"nodes changed, device gone", true, DBT_DEVNODES_CHANGED, 0, false},
      {"interface removed", false, DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_DEVICEINTERFACE, false},
      {"volume removed", false, DBT_DEVICEREMOVECOMPLETE, kDbtDevtypVolume, true},
      {"arrival", false, DBT_DEVICEARRIVAL, DBT_DEVTYP_DEVICEINTERFACE, true},
      {"unrelated event", true, kDbtQueryChangeConfig, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Start();
    if (c.unplugFirst) sim->Unplug();
    const size_t titles = window->titles.size();
    DeviceChange(c.event, c.data);
    EXPECT_EQ(window->Hid().IsConnected(), c.staysConnected);
    if (c.staysConnected) {
      EXPECT_EQ(window->titles.size(), titles) << "nothing changes";
    } else {
      EXPECT_EQ(window->Title(), Title(text::kNoHardware));
      EXPECT_FALSE(window->IsEnabled(kIdUpdateButton));
    }
  }
}

TEST_F(WindowTest, DeviceChangeEventsWithoutDevice) {
  struct Case {
    const char* name;
    bool plugFirst;
    WPARAM event;
    LPARAM data;
    bool opens;
  };
  const Case cases[] = {
      {"nodes changed, device plugged in", true, DBT_DEVNODES_CHANGED, 0, true},
      {"nodes changed, no device", false, DBT_DEVNODES_CHANGED, 0, false},
      // Only DBT_DEVNODES_CHANGED searches for the device.
      {"arrival", true, DBT_DEVICEARRIVAL, DBT_DEVTYP_DEVICEINTERFACE, false},
      {"interface removed", true, DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_DEVICEINTERFACE, false},
      {"unrelated event", true, kDbtQueryChangeConfig, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Start(DefaultSimProfile(), CBuildConfig::Default(), /*plugged=*/false);
    window->Hid().SetProgressWindow(nullptr);
    if (c.plugFirst) sim->Plug();
    const size_t titles = window->titles.size();
    DeviceChange(c.event, c.data);
    EXPECT_EQ(window->Hid().IsConnected(), c.opens);
    if (c.opens) {
      EXPECT_EQ(window->Title(), Title(text::kConnecting));
      EXPECT_EQ(window->timers.at(kTimerIdentify), kIdentifyDelayMs);
      EXPECT_EQ(window->Hid().ProgressWindow(), window.get());
    } else {
      EXPECT_EQ(window->titles.size(), titles);
      EXPECT_FALSE(window->IsArmed(kTimerIdentify));
    }
  }
}

TEST_F(WindowTest, PlugInWhileRunningIdentifiesTwoSecondsLater) {
  Start(DefaultSimProfile(), CBuildConfig::Default(), /*plugged=*/false);
  sim->Plug();
  DeviceChange(DBT_DEVNODES_CHANGED);
  Identify();
  EXPECT_EQ(window->Title(), test::ConnectedTitle("20120301"));
  EXPECT_TRUE(window->IsEnabled(kIdSettingButton));

  // Removed again: back to no device, with the blocks forgotten.
  sim->Unplug();
  DeviceChange(DBT_DEVNODES_CHANGED);
  EXPECT_EQ(window->Title(), Title(text::kNoHardware));
  EXPECT_FALSE(window->IsEnabled(kIdSettingButton));
  EXPECT_EQ(window->Identity(), IdentityBlock{});
  EXPECT_EQ(window->DeviceDataVersion(), -1);
  EXPECT_EQ(window->SettingsLayout(), 3) << "kept until the next identification";
}

}  // namespace
}  // namespace brindle
