// The Setting button against the simulated device: refusals, the radar-type
// question, the dialog on a copy, and what the device receives and keeps.
#include <algorithm>
#include <cstring>
#include <functional>

#include "core/byte_order.h"
#include "core/byte_sum.h"
#include "settings/settings_form.h"
#include "swap_backend.h"
#include "window_fixture.h"

namespace brindle {
namespace {

using test::IdentityText;
using test::WindowTest;

constexpr char kOwnBrand[] = "Valdemo Tech Co.";
constexpr char kDeviceChanged[] =
    "The device was disconnected or changed while Setting was open. Nothing was written, "
    "please click Setting again.";
constexpr char kQuestion[] =
    "Can not identify the radar type,will use the default configuration, are you sure continue?";

// The simulated device's layout-3 block with the given radar type and
// revision, its checksum over the 59 bytes from 0x04.
SettingsBlock Layout3Block(uint8_t radarType = 1, uint32_t revision = 14) {
  SettingsBlock b = DefaultSimSettings();
  b[0x34] = radarType;
  StoreLE32(&b[0x37], revision);
  StoreLE32(&b[0x00], ByteSum(&b[0x04], 59));
  return b;
}

// Layouts 1 and 2 with model "T53 " (so the 72-byte sum of a layout-1 block
// does not match), valid edits, every other band on; sealed over coverage bytes.
SettingsBlock Layout12Block(size_t coverage) {
  SettingsBlock b{};
  b[0x08] = 0x40;
  b[0x0A] = 2;
  for (size_t i = 0; i < 12; i += 2) b[0x0B + i] = 1;
  b[0x18] = 7;
  b[0x19] = 19;
  std::memcpy(&b[0x1C], "T53 ", 4);
  StoreLE32(&b[0x20], 1234);
  StoreLE32(&b[0x00], ByteSum(&b[0x04], coverage));
  return b;
}

SimProfile Profile(const SettingsBlock& settings) {
  SimProfile p = test::ProfileWithIdentity(kOwnBrand);
  p.settings = settings;
  return p;
}

// A dialog that sets the daytime start hour to 9 on the form and confirms it.
int ConfirmDayStart9(const std::string& prefix, int32_t layout, const IdentityBlock& identity,
                     SettingsBlock& block) {
  CSettingsForm form(prefix, layout, identity, block);
  form.SetEditValue(SettingsEditField::kDayStart, 9);
  return form.Apply(block) == 1 ? IDOK : IDCANCEL;
}

class SettingTest : public WindowTest {
 protected:
  void StartIdentified(const SettingsBlock& settings, const SimFaults& faults = {}) {
    SimProfile p = Profile(settings);
    p.faults = faults;
    Start(p);
    Identify();
    ASSERT_TRUE(window->DeviceReady());
    commandsBefore = sim->CommandLog().size();
    reportsBefore = sim->ReportCount();
  }
  std::vector<CSimDevice::LoggedCommand> CommandsSinceIdentification() const {
    const auto log = sim->CommandLog();
    return {log.begin() + static_cast<ptrdiff_t>(commandsBefore), log.end()};
  }
  void ExpectNothingSent() const {
    EXPECT_TRUE(CommandsSinceIdentification().empty());
    EXPECT_EQ(sim->ReportCount(), reportsBefore);
  }
  void ClickSetting() {
    window->HandleMessage(WM_COMMAND, kIdSettingButton, 0);
    window->Pump();
  }

  size_t commandsBefore = 0;
  uint64_t reportsBefore = 0;
};

TEST_F(SettingTest, RefusalsInOrderWithTheirTextsAndNothingSent) {
  struct Case {
    const char* name;
    SettingsBlock settings;
    bool unplug;  // the device is gone when Setting is clicked
    const char* text;
  };
  SettingsBlock unclassified;
  unclassified.fill(0xFF);  // no checksum matches: layout -1
  const Case cases[] = {
      {"no device", Layout3Block(), true, "   No hardware connected!"},
      {"no device before no settings", unclassified, true, "   No hardware connected!"},
      {"no usable settings", unclassified, false,
       "Please start the machine to initialization parameter!!!!!"},
      {"revision 15", Layout3Block(1, 15), false, "Please upgrade the current update tool!"},
      {"revision 15 with the radar question due", Layout3Block(0x80, 15), false,
       "Please upgrade the current update tool!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartIdentified(c.settings);
    if (c.unplug) DeviceChange(DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_DEVICEINTERFACE);
    const SettingsBlock held = window->Settings();
    window->settingsDialog = ConfirmDayStart9;
    ClickSetting();
    ASSERT_EQ(window->boxes.size(), 1u);
    EXPECT_EQ(window->boxes[0].text, c.text);
    EXPECT_EQ(window->boxes[0].caption, "");
    EXPECT_EQ(window->boxes[0].flags, MB_ICONERROR);
    EXPECT_EQ(window->settingsDialogs, 0);
    EXPECT_EQ(window->Settings(), held);
    ExpectNothingSent();
  }
}

TEST_F(SettingTest, LayoutZeroFromAnEarlierExoIdentityIsRefused) {
  SettingsBlock unclassified;
  unclassified.fill(0xFF);
  StartIdentified(unclassified);
  // A second identification of the same connection classifies against the
  // identity the first one read.
  window->ArrangeIdentity(IdentityText("EXO "));
  window->IdentifyDevice();
  ASSERT_EQ(window->SettingsLayout(), 0);
  commandsBefore = sim->CommandLog().size();
  reportsBefore = sim->ReportCount();
  ClickSetting();
  ASSERT_EQ(window->boxes.size(), 1u);
  EXPECT_EQ(window->boxes[0].text, "Please start the machine to initialization parameter!!!!!");
  ExpectNothingSent();
}

TEST_F(SettingTest, RevisionFourteenIsAccepted) {
  StartIdentified(Layout3Block(1, 14));
  ClickSetting();
  EXPECT_EQ(window->settingsDialogs, 1);
  EXPECT_TRUE(window->boxes.empty());
}

TEST_F(SettingTest, RadarQuestionOnlyForAnUnidentifiedModuleOfLayout3) {
  struct Case {
    const char* name;
    SettingsBlock settings;
    int answer;  // the answer given when asked
    bool asked;
    bool dialog;
  };
  SettingsBlock layout2 = Layout12Block(72);
  layout2[0x34] = 0x80;  // inside the layout-2 checksum, but no radar type there
  StoreLE32(&layout2[0x00], ByteSum(&layout2[0x04], 72));
  const Case cases[] = {
      {"0x80 yes", Layout3Block(0x80), IDYES, true, true},
      {"0xFF yes", Layout3Block(0xFF), IDYES, true, true},
      {"0x80 no", Layout3Block(0x80), IDNO, true, false},
      {"0xFF closed", Layout3Block(0xFF), IDCANCEL, true, false},
      {"0 none", Layout3Block(0x00), IDNO, false, true},
      {"1 identified", Layout3Block(0x01), IDNO, false, true},
      {"0x7F identified", Layout3Block(0x7F), IDNO, false, true},
      {"layout 2", layout2, IDNO, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartIdentified(c.settings);
    window->boxAnswers = {c.answer};
    window->settingsDialog = ConfirmDayStart9;
    const SettingsBlock held = window->Settings();
    ClickSetting();
    if (c.asked) {
      ASSERT_FALSE(window->boxes.empty());
      EXPECT_EQ(window->boxes[0].text, kQuestion);
      EXPECT_EQ(window->boxes[0].caption, "Update Program");
      EXPECT_EQ(window->boxes[0].flags, MB_YESNO | MB_ICONQUESTION);
    } else {
      ASSERT_FALSE(window->boxes.empty());
      EXPECT_NE(window->boxes[0].text, kQuestion);
    }
    EXPECT_EQ(window->settingsDialogs, c.dialog ? 1 : 0);
    if (!c.dialog) {
      EXPECT_EQ(window->boxes.size(), 1u) << "nothing after No";
      EXPECT_EQ(window->Settings(), held);
      ExpectNothingSent();
    } else {
      EXPECT_EQ(window->boxes.back().text, "Configuration success!");
    }
  }
}

TEST_F(SettingTest, CancelledDialogSendsNothingAndKeepsTheBlock) {
  StartIdentified(Layout3Block());
  const SettingsBlock held = window->Settings();
  window->settingsDialog = [](const std::string&, int32_t, const IdentityBlock&, SettingsBlock& block) {
    block[0x12] = 5;  // the copy may change; a cancel must not carry it over
    return IDCANCEL;
  };
  ClickSetting();
  EXPECT_EQ(window->settingsDialogs, 1);
  EXPECT_TRUE(window->boxes.empty());
  EXPECT_EQ(window->Settings(), held);
  ExpectNothingSent();
}

TEST_F(SettingTest, WorkerRunningLeavesTheButtonInert) {
  StartIdentified(Layout3Block());
  window->ArrangeWorkerRunning(true);
  ClickSetting();
  window->ArrangeWorkerRunning(false);
  EXPECT_TRUE(window->boxes.empty());
  EXPECT_EQ(window->settingsDialogs, 0);
  ExpectNothingSent();
}

TEST_F(SettingTest, ConfirmedDialogWritesTheBlockSealedForItsLayout) {
  struct Case {
    const char* name;
    SettingsBlock settings;
    int32_t layout;
    int32_t revision;
    size_t coverage;  // bytes from 0x04 under the checksum
    size_t dayStartOffset;
  };
  const Case cases[] = {
      {"layout 3", Layout3Block(), 3, 14, 59, 0x32},
      {"layout 2", Layout12Block(72), 2, 5, 72, 0x18},
      {"layout 1", Layout12Block(24), 1, 5, 24, 0x18},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartIdentified(c.settings);
    ASSERT_EQ(window->SettingsLayout(), c.layout);
    // What the dialog is given: the block as classified (layout 1 has its
    // bytes 0x04..0x0B cleared).
    SettingsBlock expected = window->Settings();
    expected[c.dayStartOffset] = 9;
    StoreLE32(&expected[0x00], ByteSum(&expected[0x04], c.coverage));

    std::string prefix;
    int32_t layout = 0;
    IdentityBlock identity{};
    window->settingsDialog = [&](const std::string& p, int32_t l, const IdentityBlock& id,
                                 SettingsBlock& block) {
      prefix = p;
      layout = l;
      identity = id;
      return ConfirmDayStart9(p, l, id, block);
    };
    const uint32_t bytesDone = window->BytesDone();
    ClickSetting();
    EXPECT_EQ(prefix, "Setting");
    EXPECT_EQ(layout, c.layout);
    EXPECT_EQ(identity, IdentityText(kOwnBrand));

    // WriteBlocks with its 4 data reports and status, then EndSession and its status.
    const auto commands = CommandsSinceIdentification();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].fields.code, kCmdWriteBlocks);
    EXPECT_EQ(commands[0].fields.blockAddress, 0x110u);
    EXPECT_EQ(commands[0].fields.blockCount, 1u);
    EXPECT_EQ(commands[0].fields.dataLength, 0u);
    EXPECT_EQ(commands[0].fields.area, 0);
    EXPECT_EQ(commands[0].fields.dataChecksum, 0u);
    EXPECT_EQ(commands[0].status, 0u);
    EXPECT_EQ(commands[1].fields.code, kCmdEndSession);
    EXPECT_EQ(commands[1].fields.blockAddress, 0x12345678u);
    EXPECT_EQ(commands[1].fields.blockCount, 0xABCDEF01u);
    EXPECT_EQ(sim->ReportCount() - reportsBefore, 1u + 4u + 1u + 1u + 1u);

    const auto held = DeviceBlock(0, 0x110);
    EXPECT_EQ(held, std::vector<uint8_t>(expected.begin(), expected.end()));
    EXPECT_EQ(window->Settings(), expected);
    ASSERT_EQ(window->boxes.size(), 1u);
    EXPECT_EQ(window->boxes[0].text, "Configuration success!");
    EXPECT_EQ(window->boxes[0].caption, "Update Program");
    EXPECT_EQ(window->boxes[0].flags, MB_ICONINFORMATION);
    // The write's progress messages are not update progress.
    EXPECT_EQ(window->CurrentTransferStage(), kStageFinished);
    EXPECT_EQ(window->BytesDone(), bytesDone);

    // The next identification sees the same layout and the written values.
    window->IdentifyDevice();
    EXPECT_EQ(window->SettingsLayout(), c.layout);
    EXPECT_EQ(window->SettingsRevision(), c.revision);
    EXPECT_EQ(window->Settings(), expected);
  }
}

size_t SettingsWrites(const CSimDevice& device) {
  size_t n = 0;
  for (const auto& c : device.CommandLog())
    if (c.fields.code == kCmdWriteBlocks && c.fields.blockAddress == kSettingsBlock) ++n;
  return n;
}

// The dialog is modal, but device changes and timers are served while it is
// open. Whatever happened to the device meanwhile, OK writes nothing to any
// device and says why.
TEST_F(SettingTest, DeviceChangedWhileTheDialogWasOpenGetsNothingWritten) {
  const SettingsBlock first = Layout3Block();
  const SettingsBlock second = Layout12Block(72);
  std::shared_ptr<CSimDevice> other;
  std::shared_ptr<test::CSwapBackend> backend;
  struct Case {
    const char* name;
    std::function<void()> meanwhile;
    SettingsBlock held;  // the window's block afterwards: as last read
  };
  const auto unplug = [&] {
    sim->Unplug();
    DeviceChange(DBT_DEVNODES_CHANGED);
  };
  const auto replug = [&] {
    unplug();
    sim->Plug();
    DeviceChange(DBT_DEVNODES_CHANGED);
  };
  const Case cases[] = {
      {"unplugged", unplug, SettingsBlock{}},
      {"removal announced for the interface",
       [&] { DeviceChange(DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_DEVICEINTERFACE); }, SettingsBlock{}},
      {"plugged back, not identified yet", replug, SettingsBlock{}},
      {"plugged back and identified",
       [&] {
         replug();
         Identify();
       },
       first},
      {"identified again on the same connection",
       [&] {
         window->RefreshConnectionState();
         Identify();
       },
       first},
      {"replaced by another device",
       [&] {
         unplug();
         backend->Swap(other);
         DeviceChange(DBT_DEVNODES_CHANGED);
         Identify();
       },
       second},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim = std::make_shared<CSimDevice>(Profile(first));
    other = std::make_shared<CSimDevice>(Profile(second));
    backend = std::make_shared<test::CSwapBackend>(sim);
    StartOn(backend);
    Identify();
    ASSERT_EQ(window->SettingsLayout(), 3);
    window->settingsDialog = [&](const std::string& p, int32_t l, const IdentityBlock& id,
                                 SettingsBlock& block) {
      c.meanwhile();
      return ConfirmDayStart9(p, l, id, block);
    };
    ClickSetting();
    EXPECT_EQ(window->settingsDialogs, 1);
    EXPECT_EQ(window->boxes.size(), 1u);
    if (!window->boxes.empty()) {
      EXPECT_EQ(window->boxes[0].text, kDeviceChanged);
      EXPECT_EQ(window->boxes[0].caption, "");
      EXPECT_EQ(window->boxes[0].flags, MB_ICONERROR);
    }
    EXPECT_EQ(SettingsWrites(*sim), 0u);
    EXPECT_EQ(SettingsWrites(*other), 0u);
    EXPECT_EQ(DeviceBlock(0, 0x110), std::vector<uint8_t>(first.begin(), first.end()));
    const auto otherBlock = other->AreaCopy(0);
    EXPECT_TRUE(std::equal(second.begin(), second.end(), otherBlock.begin() + 0x110 * kBlockSize));
    EXPECT_EQ(window->Settings(), c.held);
  }
}

TEST_F(SettingTest, RefusedWriteIsReportedAsFailureAndKeepsTheOldBlock) {
  SimFaults faults;
  faults.failWrites = 1;
  StartIdentified(Layout3Block(), faults);
  const SettingsBlock held = window->Settings();
  window->settingsDialog = ConfirmDayStart9;
  ClickSetting();
  ASSERT_EQ(window->boxes.size(), 1u);
  EXPECT_EQ(window->boxes[0].text, "Configuration failed!");
  EXPECT_EQ(window->boxes[0].caption, "");
  EXPECT_EQ(window->boxes[0].flags, MB_ICONERROR);
  EXPECT_EQ(window->Settings(), held);
  EXPECT_EQ(DeviceBlock(0, 0x110), std::vector<uint8_t>(held.begin(), held.end()));
  // The session is ended all the same.
  const auto commands = CommandsSinceIdentification();
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0].fields.code, kCmdWriteBlocks);
  EXPECT_NE(commands[0].status, 0u);
  EXPECT_EQ(commands[1].fields.code, kCmdEndSession);

  // A second try, which the device takes, succeeds.
  window->boxes.clear();
  ClickSetting();
  ASSERT_EQ(window->boxes.size(), 1u);
  EXPECT_EQ(window->boxes[0].text, "Configuration success!");
  EXPECT_EQ(window->Settings()[0x32], 9);
}

}  // namespace
}  // namespace brindle
