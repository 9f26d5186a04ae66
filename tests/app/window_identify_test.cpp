// Identification two seconds after a connection, driven through the
// simulated device.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/byte_order.h"
#include "window_fixture.h"

namespace brindle {
namespace {

using test::ConfigFor;
using test::ConnectedTitle;
using test::IdentityText;
using test::ProfileWithIdentity;
using test::Title;
using test::WindowTest;

TEST_F(WindowTest, TitleGoesFromConnectingToConnectedWithTheDataDate) {
  Start();
  EXPECT_EQ(window->titles,
            (std::vector<std::string>{"Update Program", "Update Program   GPS Connecting..."}));
  ASSERT_TRUE(window->IsArmed(kTimerIdentify));
  EXPECT_EQ(window->timers.at(kTimerIdentify), 2000u);
  EXPECT_EQ(sim->ReportCount(), 0u) << "nothing is sent before timer 2";

  Identify();
  EXPECT_EQ(window->Title(), "Update Program   GPS Connected   V:20120301");
  EXPECT_FALSE(window->IsArmed(kTimerIdentify));
  EXPECT_TRUE(window->IsEnabled(kIdSettingButton));
  EXPECT_TRUE(window->DeviceReady());
  EXPECT_EQ(window->DeviceDataVersion(), 20120301);
  EXPECT_EQ(window->DeviceVersion(), 1008);
  EXPECT_EQ(window->SettingsLayout(), 3);
  EXPECT_EQ(window->SettingsRevision(), 14);
}

TEST_F(WindowTest, BlankDeviceIsClaimedAndTheNextIdentificationFindsTheCompany) {
  Start();
  Identify();
  EXPECT_EQ(window->LastBrandRule(), BrandRule::kClaimBlank);
  ASSERT_EQ(IdentityWrites(), 1u);
  for (const auto& c : sim->CommandLog()) {
    if (c.fields.code != kCmdWriteBlocks) continue;
    EXPECT_EQ(c.fields.blockCount, 1u);
    EXPECT_EQ(c.fields.area, kParameterArea);
    EXPECT_EQ(c.fields.dataLength, 0u);
    EXPECT_EQ(c.fields.dataChecksum, 0u);
    EXPECT_EQ(c.status, 0u);
  }
  const auto written = DeviceBlock(kParameterArea, kIdentityBlock);
  const IdentityBlock expected = IdentityText("Valdemo Tech Co.");
  EXPECT_TRUE(std::equal(written.begin(), written.end(), expected.begin()));
  // The identity write's progress messages are not transfer progress.
  EXPECT_EQ(window->BytesDone(), 0u);

  window->RefreshConnectionState();
  EXPECT_EQ(window->Title(), Title(text::kConnecting));
  EXPECT_TRUE(window->DeviceReady()) << "stays identified while reconnecting";
  Identify();
  EXPECT_EQ(window->LastBrandRule(), BrandRule::kOwnCompany);
  EXPECT_EQ(IdentityWrites(), 1u) << "no second claim";
  EXPECT_EQ(window->Title(), ConnectedTitle("20120301"));
}

TEST_F(WindowTest, ForeignBrandIsClosedAgainAndRejectedAfterEveryReopen) {
  Start(ProfileWithIdentity("Gravo"));
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    Identify();
    EXPECT_EQ(window->LastBrandRule(), BrandRule::kRejected);
    EXPECT_EQ(window->Hid().IsConnected(), false);
    EXPECT_EQ(window->Title(), Title(text::kNoHardware));
    EXPECT_FALSE(window->IsEnabled(kIdSettingButton));
    EXPECT_FALSE(window->DeviceReady());
    EXPECT_EQ(window->Identity(), IdentityBlock{});
    EXPECT_EQ(window->Settings(), SettingsBlock{});
    EXPECT_EQ(window->DeviceDataVersion(), -1);
    EXPECT_TRUE(window->boxes.empty()) << "no message box";
    // Any later device change opens it again.
    DeviceChange(DBT_DEVNODES_CHANGED);
    EXPECT_EQ(window->Title(), Title(text::kConnecting));
  }
  EXPECT_EQ(IdentityWrites(), 0u);
}

TEST_F(WindowTest, GravoBuildRebrandsOldNervPindarDevices) {
  SimProfile p = ProfileWithIdentity("Nerv/Pindar");
  // A layout-1 settings block: its checksum covers 24 bytes only.
  p.settings = {};
  p.settings[0x04] = 0x5A;
  p.settings[0x30] = 0x01;
  SealBlock(p.settings, 1);
  Start(p, ConfigFor("Gravo"));
  Identify();
  EXPECT_EQ(window->SettingsLayout(), 1);
  EXPECT_EQ(window->LastBrandRule(), BrandRule::kRebrandToGravo);
  EXPECT_EQ(window->Identity(), IdentityText("Gravo"));
  const auto written = DeviceBlock(kParameterArea, kIdentityBlock);
  EXPECT_TRUE(std::equal(written.begin(), written.end(), IdentityText("Gravo").begin()));
  EXPECT_EQ(window->Hid().IsConnected(), true);
}

TEST_F(WindowTest, BlankCompanyServesAnyBrandAndStartsItsVersionCheck) {
  Start(ProfileWithIdentity("Gravo Navigation"), ConfigFor(std::string(21, ' ')));
  EXPECT_FALSE(window->OnlineSourceSet());
  Identify();
  EXPECT_EQ(window->LastBrandRule(), BrandRule::kBlankCompany);
  EXPECT_EQ(window->Hid().IsConnected(), true);
  EXPECT_EQ(IdentityWrites(), 0u);
  // The device's brand has a row: its version file becomes the source.
  EXPECT_EQ(window->VersionFileUrl(), "http://downloads.gravo.example/ditu/kt410x/kt410xUP.txt");
  EXPECT_EQ(window->InternetVersion(), 0);
}

TEST_F(WindowTest, SettingsAreClassifiedAgainstTheIdentityOfTheSameConnection) {
  const std::string company = "EXOTRONIX CO LTD";
  SimProfile p = ProfileWithIdentity(company);
  p.settings.fill(0x11);  // matches no checksum
  Start(p, ConfigFor(company));
  Identify();
  EXPECT_EQ(window->SettingsLayout(), -1) << "first identification sees a zero identity";
  window->RefreshConnectionState();
  Identify();
  EXPECT_EQ(window->SettingsLayout(), 0) << "the identity read before begins with EXO";
  EXPECT_EQ(window->SettingsRevision(), 0);

  // A period without device forgets the identity.
  sim->Unplug();
  DeviceChange(DBT_DEVNODES_CHANGED);
  sim->Plug();
  DeviceChange(DBT_DEVNODES_CHANGED);
  Identify();
  EXPECT_EQ(window->SettingsLayout(), -1);
}

TEST_F(WindowTest, SettingsLayoutsAsIdentificationFindsThem) {
  SettingsBlock layout1{};
  for (int i = 4; i < 0x0C; ++i) layout1[i] = static_cast<uint8_t>(i);
  layout1[0x40] = 1;
  SealBlock(layout1, 1);
  SettingsBlock magicBadSum{};
  StoreLE32(&magicBadSum[layout3::kFormatMagic], layout3::kFormatMagicValue);
  magicBadSum[0x60] = 7;  // outside every sum
  StoreLE32(&magicBadSum[0], 12345);
  struct Case {
    const char* name;
    SettingsBlock settings;
    int32_t layout;
    int32_t revision;
  };
  const Case cases[] = {
      {"layout 3", DefaultSimSettings(), 3, 14},
      {"all zeros", SettingsBlock{}, 2, 5},
      {"layout 1", layout1, 1, 5},
      {"magic with a bad sum", magicBadSum, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimProfile p = ProfileWithIdentity("Valdemo Tech Co.");
    p.settings = c.settings;
    Start(p);
    Identify();
    EXPECT_EQ(window->SettingsLayout(), c.layout);
    EXPECT_EQ(window->SettingsRevision(), c.revision);
    if (c.layout == 1) {
      for (int i = 4; i < 0x0C; ++i) EXPECT_EQ(window->Settings()[i], 0) << i;
      EXPECT_EQ(window->Settings()[0x40], 1);
    }
  }
}

TEST_F(WindowTest, UnreadableDataDateLeavesTheVersionEmpty) {
  SimProfile p = ProfileWithIdentity("Valdemo Tech Co.");
  // QueryVersion (2 reports), settings and identity reads (6 each); then silence.
  p.faults.silentAfterReports = 14;
  Start(p);
  Identify();
  EXPECT_EQ(window->Title(), ConnectedTitle(""));
  EXPECT_EQ(window->DeviceDataVersion(), 0);
  EXPECT_TRUE(window->DeviceReady());
  EXPECT_TRUE(window->IsEnabled(kIdSettingButton));
}

TEST_F(WindowTest, BadVersionReplyDoesNotStopIdentification) {
  SimProfile p = ProfileWithIdentity("Valdemo Tech Co.");
  p.faults.corruptReplies = 1;
  Start(p);
  Identify();
  EXPECT_EQ(window->DeviceVersion(), -2);
  EXPECT_EQ(window->Title(), ConnectedTitle("20120301"));
}

TEST_F(WindowTest, DateOfZeroSecondsIs19700101) {
  SimProfile p = ProfileWithIdentity("Valdemo Tech Co.");
  p.dataSeconds = 0;
  Start(p);
  Identify();
  EXPECT_EQ(window->Title(), ConnectedTitle("19700101"));
  EXPECT_EQ(window->DeviceDataVersion(), 19700101);
}

// Timer 2 is not killed when the device goes; it may fire afterwards.
TEST_F(WindowTest, TimerTwoAfterTheDeviceWasClosedEndsWithoutDevice) {
  Start();
  sim->Unplug();
  DeviceChange(DBT_DEVNODES_CHANGED);
  EXPECT_EQ(window->Title(), Title(text::kNoHardware));
  ASSERT_TRUE(window->IsArmed(kTimerIdentify));
  const uint64_t reports = sim->ReportCount();
  Identify();
  EXPECT_EQ(sim->ReportCount(), reports) << "nothing reaches the device";
  EXPECT_EQ(window->DeviceVersion(), -1);
  EXPECT_EQ(window->Title(), Title(text::kNoHardware));
  EXPECT_FALSE(window->DeviceReady());
  EXPECT_FALSE(window->IsArmed(kTimerIdentify));
}

TEST_F(WindowTest, DeviceGoneOrSilentBeforeTimerTwoFailsWithinTheReadBound) {
  for (const bool silent : {false, true}) {
    SCOPED_TRACE(silent ? "silent" : "gone");
    SimProfile p = DefaultSimProfile();
    if (silent) p.faults.silentAfterReports = 0;
    Start(p);
    if (!silent) sim->Unplug();  // no device-change event arrives
    const auto begin = std::chrono::steady_clock::now();
    Identify();
    const auto took = std::chrono::steady_clock::now() - begin;
    // Two reads at most wait for their bound (version reply, first settings report).
    EXPECT_LT(took, std::chrono::milliseconds(kReadTimeoutMs * 2 + 2000));
    EXPECT_EQ(window->DeviceVersion(), silent ? -2 : -1);
    EXPECT_EQ(window->Hid().IsConnected(), false);
    EXPECT_EQ(window->Title(), Title(text::kNoHardware));
    EXPECT_FALSE(window->IsEnabled(kIdSettingButton));
  }
}

TEST_F(WindowTest, RefreshFromAnotherThreadIsCarriedOutOnTheWindowThread) {
  Start(ProfileWithIdentity("Valdemo Tech Co."));
  Identify();
  const size_t titles = window->titles.size();
  window->operationThreads.clear();
  std::thread worker([&] { window->RefreshConnectionState(); });
  worker.join();
  EXPECT_EQ(window->titles.size(), titles) << "nothing changed on the worker's thread";
  EXPECT_FALSE(window->IsArmed(kTimerIdentify));
  EXPECT_EQ(window->Pump(), 1u);
  EXPECT_EQ(window->Title(), Title(text::kConnecting));
  EXPECT_TRUE(window->IsArmed(kTimerIdentify));
  ASSERT_FALSE(window->operationThreads.empty());
  for (const auto& id : window->operationThreads) EXPECT_EQ(id, std::this_thread::get_id());
}

}  // namespace
}  // namespace brindle
