// The Setting button: the settings dialog on a copy of the device's settings
// block, and the confirmed block written back to the device.
#include "app/brindle_window.h"
#include "app/window_texts.h"

namespace brindle {

namespace {

constexpr const char* kNotInitialised = "Please start the machine to initialization parameter!!!!!";
constexpr const char* kUpgradeTool = "Please upgrade the current update tool!";
constexpr const char* kDefaultRadarQuestion =
    "Can not identify the radar type,will use the default configuration, are you sure continue?";
constexpr const char* kConfigurationSuccess = "Configuration success!";
constexpr const char* kConfigurationFailed = "Configuration failed!";
constexpr const char* kDeviceChanged =
    "The device was disconnected or changed while Setting was open. Nothing was written, "
    "please click Setting again.";

}  // namespace

void CBrindleWindow::OnSettingClicked() {
  // The worker owns the device link while it runs; it disables this button,
  // and a click that slips through must not interleave reports with it.
  if (m_worker.Running()) return;
  if (!m_hid.IsConnected()) {
    MessageBox(text::kNoHardware, std::string(), MB_ICONERROR);
    return;
  }
  const int32_t layout = m_settingsLayout.load();
  if (layout <= 0) {
    MessageBox(kNotInitialised, std::string(), MB_ICONERROR);
    return;
  }
  if (m_settingsRevision > kMaxSettingsRevision) {
    MessageBox(kUpgradeTool, std::string(), MB_ICONERROR);
    return;
  }

  SettingsBlock block = m_settingsBlock;
  // A module the device could not identify leaves the dialog with the
  // default band set; the user decides whether that is acceptable.
  if (layout >= 3 && static_cast<int8_t>(block[layout3::kRadarType]) < 0 &&
      MessageBox(kDefaultRadarQuestion, text::kTitle, MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;

  const uint32_t session = m_deviceSession;
  if (RunSettingsDialog(text::kSetting, layout, m_identityBlock, block) != IDOK) return;
  // Device changes and timers are served while the dialog is open. A block
  // read from a device that has since gone, been swapped or been identified
  // again would overwrite another device's settings (its model code and band
  // table included), so it is not written at all.
  if (m_deviceSession != session || !m_hid.IsConnected()) {
    MessageBox(kDeviceChanged, std::string(), MB_ICONERROR);
    return;
  }

  // Sealed for the layout it was read under, so the next identification
  // classifies the written block the same way.
  SealBlock(block, layout);
  SetTransferStage(kStageFinished);
  const bool written = m_hid.SendCommand(kCmdWriteBlocks, kSettingsBlock, 1, 0, kParameterArea, 0) &&
                       m_hid.SendBlocks(1, block.data()) == static_cast<int>(kBlockSize);
  m_hid.EndSession();
  if (!written) {
    // The device kept its old block; showing the new one as the device's
    // would make the next dialog start from settings the device never took.
    MessageBox(kConfigurationFailed, std::string(), MB_ICONERROR);
    return;
  }
  m_settingsBlock = block;
  MessageBox(kConfigurationSuccess, text::kTitle, MB_ICONINFORMATION);
}

}  // namespace brindle
