// The access hint in the status text: a device that is present but refused
// for lack of permission, and the hint going away again.
#include <fstream>

#include "window_fixture.h"

namespace brindle {
namespace {

using test::ConfigFor;
using test::CTempDir;
using test::Title;

// The simulated device whose node the user may not open while refuse is set,
// as a hidraw node without the udev rule.
class CRefusingBackend final : public IHidBackend {
 public:
  explicit CRefusingBackend(std::shared_ptr<CSimDevice> device) : m_sim(std::move(device)) {}
  bool refuse = true;
  std::vector<HidInterfaceInfo> Enumerate() override { return m_sim.Enumerate(); }
  std::unique_ptr<IHidDevice> Open(const std::string& path, HidOpenFailure& failure) override {
    if (refuse && !m_sim.Enumerate().empty()) {
      failure = HidOpenFailure::kPermission;
      return nullptr;
    }
    return m_sim.Open(path, failure);
  }
  bool Probe(const std::string& path) override { return m_sim.Probe(path); }
  bool PathsCarryIds() const override { return false; }

 private:
  CSimBackend m_sim;
};

class AccessHintTest : public ::testing::Test {
 protected:
  void Start(const CBuildConfig& config = CBuildConfig::Default(), bool plugged = true) {
    sim = std::make_shared<CSimDevice>(DefaultSimProfile());
    if (!plugged) sim->Unplug();
    backend = std::make_shared<CRefusingBackend>(sim);
    window = std::make_unique<test::CFakeWindow>(backend, config);
    window->Hid().SetLockFolder(lockDir.Path());
    window->Hid().SetReadTimeoutMs(150);
    window->OnInitDialog();
  }
  void DevicesChanged() {
    EXPECT_EQ(window->HandleMessage(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0), 0);
    window->Pump();
  }
  std::string Status() { return window->GetControlText(kIdStatusText); }

  CTempDir lockDir;
  std::shared_ptr<CSimDevice> sim;
  std::shared_ptr<CRefusingBackend> backend;
  std::unique_ptr<test::CFakeWindow> window;
};

TEST_F(AccessHintTest, RefusedDeviceShowsHintUnderTheNoHardwareTitle) {
  Start();
  EXPECT_EQ(window->Hid().IsConnected(), false);
  EXPECT_EQ(window->Title(), Title(text::kNoHardware)) << "the title is not changed";
  EXPECT_EQ(Status(), text::kAccessHint);
  EXPECT_FALSE(window->IsEnabled(kIdUpdateButton));
  EXPECT_FALSE(window->IsEnabled(kIdSettingButton));
  EXPECT_FALSE(window->IsArmed(kTimerIdentify));
  EXPECT_TRUE(sim->CommandLog().empty()) << "nothing reaches a refused device";
}

TEST_F(AccessHintTest, HintGoesAndThePreviousTextComesBack) {
  CBuildConfig archiveRow = ConfigFor("Kelvax Navigation");
  archiveRow.brandTable = {{"Kelvax", "http://db.kelvax.example/files/update.ZIP"}};
  struct Case {
    const char* name;
    CBuildConfig config;
    bool unplug;            // the device goes away instead of opening
    bool clearStatusFirst;  // the status text was empty before the hint
    std::string restored;
  };
  const Case cases[] = {
      {"opens, default text", CBuildConfig::Default(), false, false, text::kChooseFile},
      {"opens, archive URL", archiveRow, false, false, "http://db.kelvax.example/files/update.ZIP"},
      {"unplugged", CBuildConfig::Default(), true, false, text::kChooseFile},
      {"opens, empty text before", CBuildConfig::Default(), false, true, text::kChooseFile},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Start(c.config, /*plugged=*/!c.clearStatusFirst);
    if (c.clearStatusFirst) {
      window->SetControlText(kIdStatusText, "");
      sim->Plug();
      DevicesChanged();
    }
    ASSERT_EQ(Status(), text::kAccessHint);
    DevicesChanged();
    EXPECT_EQ(Status(), text::kAccessHint) << "a second refusal keeps the hint";

    if (c.unplug) {
      sim->Unplug();
    } else {
      backend->refuse = false;
    }
    DevicesChanged();
    EXPECT_EQ(window->Hid().IsConnected(), !c.unplug);
    EXPECT_EQ(Status(), c.restored);
    EXPECT_EQ(window->Title(), Title(c.unplug ? text::kNoHardware : text::kConnecting));
  }
}

TEST_F(AccessHintTest, ChosenUpdateFileIsNeverReplaced) {
  CTempDir dir;
  const std::string file = dir.Path() + "/update.dwm";
  std::ofstream(file) << "x";

  // Chosen before the refused device appears.
  Start(CBuildConfig::Default(), /*plugged=*/false);
  window->fileToChoose = file;
  window->OnOpenClicked();
  sim->Plug();
  DevicesChanged();
  EXPECT_EQ(Status(), file);

  // Chosen while the hint shows: the file stays when the device opens, and
  // the identification offers the update of that file.
  Start();
  ASSERT_EQ(Status(), text::kAccessHint);
  window->fileToChoose = file;
  window->OnOpenClicked();
  backend->refuse = false;
  DevicesChanged();
  ASSERT_EQ(window->Hid().IsConnected(), true);
  EXPECT_EQ(Status(), file);
  ASSERT_TRUE(window->FireTimer(kTimerIdentify));
  window->Pump();
  EXPECT_TRUE(window->DeviceReady());
  EXPECT_TRUE(window->IsEnabled(kIdUpdateButton));
}

TEST_F(AccessHintTest, DeniedPathThatIsNotAFileGetsTheHint) {
  // A status text naming no existing file is not a chosen update.
  CTempDir dir;
  Start(CBuildConfig::Default(), /*plugged=*/false);
  window->fileToChoose = dir.Path() + "/gone.dwm";
  window->OnOpenClicked();
  sim->Plug();
  DevicesChanged();
  EXPECT_EQ(Status(), text::kAccessHint);
  backend->refuse = false;
  DevicesChanged();
  EXPECT_EQ(Status(), dir.Path() + "/gone.dwm");
}

}  // namespace
}  // namespace brindle
