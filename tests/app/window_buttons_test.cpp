// When the Update button becomes usable: a file chosen with Open, or an
// online source, once the device has been identified.
#include <fstream>

#include "window_fixture.h"

namespace brindle {
namespace {

using test::ProfileWithIdentity;
using test::WindowTest;

TEST_F(WindowTest, IdentificationEnablesUpdateForAFileOrAnOnlineSource) {
  test::CTempDir files;
  const std::string file = files.Path() + "/update.dwm";
  std::ofstream(file) << "data";
  const std::string missing = files.Path() + "/gone.dwm";
  struct Case {
    const char* name;
    std::string status;
    int32_t internetVersion;
    std::string archiveUrl;
    bool enabledBefore;
    bool enabledAfter;
  };
  const Case cases[] = {
      {"chosen file", file, -1, "", false, true},
      {"missing file", missing, -1, "", false, false},
      {"folder", files.Path(), -1, "", false, false},
      {"status message", "Please choose the updated file!", -1, "", false, false},
      {"empty status", "", -1, "", false, false},
      {"known online version", missing, 20120401, "", false, true},
      {"check under way", missing, 0, "", false, false},
      {"archive url", missing, -1, "http://x.example/u.zip", false, true},
      {"left as it was", missing, -1, "", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Start(ProfileWithIdentity("Valdemo Tech Co."));
    window->texts[kIdStatusText] = c.status;
    window->ArrangeVersions(c.internetVersion, window->DeviceDataVersion());
    window->SetArchiveUrl(c.archiveUrl);
    window->enabled[kIdUpdateButton] = c.enabledBefore;
    Identify();
    EXPECT_EQ(window->IsEnabled(kIdUpdateButton), c.enabledAfter);
    EXPECT_TRUE(window->IsEnabled(kIdSettingButton));
  }
}

TEST_F(WindowTest, OpenPutsThePathInTheStatusAndEnablesUpdateOnceIdentified) {
  Start(ProfileWithIdentity("Valdemo Tech Co."));
  window->fileToChoose = "/data/first.dwm";
  window->HandleMessage(WM_COMMAND, kIdOpenButton, 0);
  EXPECT_EQ(window->texts[kIdStatusText], "/data/first.dwm");
  EXPECT_FALSE(window->IsEnabled(kIdUpdateButton)) << "device not identified yet";

  Identify();
  window->fileToChoose = "/data/second.dwm";
  window->OnOpenClicked();
  EXPECT_EQ(window->texts[kIdStatusText], "/data/second.dwm");
  EXPECT_TRUE(window->IsEnabled(kIdUpdateButton));
}

TEST_F(WindowTest, CancelledOpenChangesNothing) {
  Start(ProfileWithIdentity("Valdemo Tech Co."));
  Identify();
  const auto texts = window->texts;
  const auto enabled = window->enabled;
  window->fileToChoose.reset();
  window->OnOpenClicked();
  EXPECT_EQ(window->fileDialogs, 1);
  EXPECT_EQ(window->texts, texts);
  EXPECT_EQ(window->enabled, enabled);
}

}  // namespace
}  // namespace brindle
