// The window's start-up: texts, timers, the online source of the build's
// company, and the first look for the device.
#include "window_fixture.h"

namespace brindle {
namespace {

using test::ConfigFor;
using test::Title;
using test::WindowTest;

TEST_F(WindowTest, StartUpSetsTextsTimerAndDisablesDeviceButtons) {
  Start();
  EXPECT_EQ(window->titles.front(), text::kTitle);
  EXPECT_EQ(window->texts[kIdFileGroup], "Update the File");
  EXPECT_EQ(window->texts[kIdProgressGroup], "Progress");
  EXPECT_EQ(window->texts[kIdOpenButton], "Open");
  EXPECT_EQ(window->texts[kIdCloseButton], "Close");
  EXPECT_EQ(window->texts[kIdSettingButton], "Setting");
  EXPECT_EQ(window->texts[kIdUpdateButton], "Update");
  EXPECT_EQ(window->timers.at(kTimerProgress), 166u);
  EXPECT_FALSE(window->IsEnabled(kIdSettingButton));
  EXPECT_FALSE(window->IsEnabled(kIdUpdateButton));
  EXPECT_EQ(window->enabled.count(kIdOpenButton), 0u) << "Open stays as it was";
  EXPECT_EQ(window->Hid().ProgressWindow(), window.get());
  EXPECT_FALSE(window->DeviceReady());
}

TEST_F(WindowTest, StartUpWithoutDeviceShowsNoHardware) {
  Start(DefaultSimProfile(), CBuildConfig::Default(), /*plugged=*/false);
  EXPECT_EQ(window->Hid().IsConnected(), false);
  EXPECT_EQ(window->Title(), Title(text::kNoHardware));
  EXPECT_FALSE(window->IsArmed(kTimerIdentify));
  EXPECT_EQ(window->DeviceDataVersion(), -1);
}

TEST_F(WindowTest, OnlineSourceAtStartUpFollowsTheBrandTable) {
  CBuildConfig archiveRow = ConfigFor("Kelvax Navigation");
  archiveRow.brandTable = {{"Kelvax", "http://db.kelvax.example/files/update.ZIP"}};
  CBuildConfig shortBrand = ConfigFor("Kelv");
  shortBrand.brandTable = archiveRow.brandTable;
  struct Case {
    const char* name;
    CBuildConfig config;
    std::string versionFileUrl;
    std::string archiveUrl;
    int32_t internetVersion;
    bool sourceSet;
  };
  const Case cases[] = {
      {"no row", CBuildConfig::Default(), "", "", -1, false},
      {"brand shorter than the row", shortBrand, "", "", -1, false},
      {"row names an archive", archiveRow, "http://db.kelvax.example/files/update.ZIP",
       "http://db.kelvax.example/files/update.ZIP", -1, true},
      // A version file: the check starts (or fails to start) and counts as set up.
      {"row names a version file", ConfigFor("Gravo"),
       "http://downloads.gravo.example/ditu/kt410x/kt410xUP.txt", "", 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Start(DefaultSimProfile(), c.config, /*plugged=*/false);
    EXPECT_EQ(window->VersionFileUrl(), c.versionFileUrl);
    EXPECT_EQ(window->ArchiveUrl(), c.archiveUrl);
    EXPECT_EQ(window->InternetVersion(), c.internetVersion);
    EXPECT_EQ(window->OnlineSourceSet(), c.sourceSet);
    if (c.versionFileUrl.empty()) {
      EXPECT_EQ(window->texts[kIdStatusText], "Please choose the updated file!");
    } else if (!c.archiveUrl.empty()) {
      EXPECT_EQ(window->texts[kIdStatusText], c.archiveUrl);
    }
  }
}

}  // namespace
}  // namespace brindle
