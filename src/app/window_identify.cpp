// Device detection and identification: the connection state in the title,
// the device-change events, and the identification two seconds after each
// connection (version, settings, brand, data date).
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/brindle_window.h"
#include "app/seconds_to_date.h"
#include "app/window_texts.h"
#include "core/byte_order.h"
#include "core/utf8_path.h"

namespace brindle {

namespace {

// First blocks of update sections D and C in the data area. Identification
// reads them before the date block; their contents are not used.
constexpr uint32_t kSectionDFirstBlock = 0xDE0;
constexpr uint32_t kSectionCFirstBlock = 0x160;

// A status text is the chosen update file when it names a file that opens.
bool FileOpensForReading(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(Utf8Path(path), ec)) return false;
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return false;
  std::fclose(f);
  return true;
}

}  // namespace

void CBrindleWindow::RefreshConnectionState() {
  // The update worker calls this too; the title and timer 2 belong to the
  // window's thread.
  if (!IsWindowThread()) {
    PostMessage(WM_REFRESH_CONNECTION, 0, 0);
    return;
  }
  RefreshConnectionStateHere();
}

void CBrindleWindow::RefreshConnectionStateHere() {
  if (m_hid.IsConnected()) {
    SetTitle(std::string(text::kTitle) + text::kConnecting);
    SetTimer(kTimerIdentify, kIdentifyDelayMs);
    return;
  }
  SetTitle(std::string(text::kTitle) + text::kNoHardware);
  EnableControl(kIdSettingButton, false);
  EnableControl(kIdUpdateButton, false);
  m_identityBlock.fill(0);
  m_settingsBlock.fill(0);
  m_deviceDataVersion = -1;
  m_deviceReady = false;
  m_dataDateText.clear();
}

LRESULT CBrindleWindow::OnDeviceChange(WPARAM event, LPARAM eventData) {
  // While the update worker runs it owns the device: a removal lets it fail
  // and closes the handles after it, and no new device is opened into the
  // command object it is using.
  if (m_worker.Running()) {
    const bool connected = m_hid.IsConnected();
    if (event == DBT_DEVNODES_CHANGED && connected && !m_hid.IsDevicePresent())
      ReleaseDeviceAfterWorker();
    else if (event == DBT_DEVNODES_CHANGED && !connected)
      m_searchAfterWorker = true;
    else if (event == DBT_DEVICEREMOVECOMPLETE && eventData == DBT_DEVTYP_DEVICEINTERFACE && connected)
      ReleaseDeviceAfterWorker();
    return 0;
  }
  switch (event) {
    case DBT_DEVNODES_CHANGED:
      // Every device change anywhere lands here: re-check the open device, or
      // look for one when none is open.
      if (m_hid.IsConnected()) {
        if (!m_hid.IsDevicePresent()) {
          m_hid.Disconnect();
          RefreshConnectionState();
        }
      } else {
        if (SearchForDevice() == 1) RefreshConnectionState();
      }
      break;
    case DBT_DEVICEREMOVECOMPLETE:
      if (eventData == DBT_DEVTYP_DEVICEINTERFACE && m_hid.IsConnected()) {
        m_hid.Disconnect();
        RefreshConnectionState();
      }
      break;
    default:
      // DBT_DEVICEARRIVAL only refreshes the dialog's data, of which it has none.
      break;
  }
  return 0;
}

void CBrindleWindow::IdentifyDevice() {
  KillTimer(kTimerIdentify);
  // The worker's exchanges and these would share the command object: the
  // identification waits until the worker has ended.
  if (m_worker.Running()) {
    m_identifyAfterWorker = true;
    return;
  }
  ++m_deviceSession;
  m_settingsLayout = 0;
  m_brandRule = BrandRule::kNone;
  m_dataDateText.clear();

  // The version only steers the update; identification goes on without it.
  if (!m_hid.SendCommand(kCmdQueryVersion, kSessionAddress, kSessionCount, 0, 0, 0)) {
    m_deviceVersion = kResultNotSent;
  } else {
    CommandRecord reply{};
    m_deviceVersion = m_hid.ReceiveStatus(&reply) ? static_cast<int32_t>(ReplyValue(reply)) : kResultBadReply;
  }

  // Without its settings the device cannot be served. A device that went
  // away, or a timer that fired after it was closed, ends here too: every
  // command fails within the read bound.
  m_settingsBlock.fill(0);
  if (m_hid.ReadBlock(kParameterArea, kSettingsBlock, m_settingsBlock.data()) !=
      static_cast<int>(kBlockSize)) {
    m_hid.Disconnect();
    RefreshConnectionState();
    return;
  }
  // Classified against the identity of an earlier identification of this
  // connection, before the identity is read again.
  const SettingsClass settings = ClassifySettingsBlock(m_settingsBlock, m_identityBlock);
  m_settingsLayout = settings.layout;
  m_settingsRevision = settings.revision;

  m_identityBlock.fill(0);
  m_hid.ReadBlock(kParameterArea, kIdentityBlock, m_identityBlock.data());
  if (!CheckDeviceBrand()) {
    m_hid.Disconnect();
    RefreshConnectionState();
    return;
  }

  std::array<uint8_t, kBlockSize> data{};
  m_hid.ReadBlock(kDataArea, kSectionDFirstBlock, data.data());
  m_hid.ReadBlock(kDataArea, kSectionCFirstBlock, data.data());
  if (m_hid.ReadBlock(kDataArea, kDataDateBlock, data.data()) == static_cast<int>(kBlockSize))
    m_dataDateText = DateText(SecondsToDate(LoadLE32(data.data())));
  m_deviceDataVersion = static_cast<int32_t>(std::strtol(m_dataDateText.c_str(), nullptr, 10));
  SetTitle(std::string(text::kTitle) + text::kConnected + text::kVersionPrefix + m_dataDateText);
  // A failed update leaves an empty bar text over its last position, which
  // would read as that run's percentage: the new device state starts at 0.
  if (m_worker.Progress().bytesTotal.load() == 0 && GetControlText(kIdProgress).empty()) SetProgressPos(0);

  const std::string path = GetControlText(kIdStatusText);
  m_deviceReady = true;
  if (!path.empty() && FileOpensForReading(path))
    EnableControl(kIdUpdateButton, true);
  else if (m_internetVersion > 0 || !m_archiveUrl.empty())
    EnableControl(kIdUpdateButton, true);
  EnableControl(kIdSettingButton, true);

  if (!m_onlineSourceSet) StartVersionCheckForIdentity();
}

bool CBrindleWindow::CheckDeviceBrand() {
  m_brandRule = MatchBrandRule(m_config, m_identityBlock, m_settingsLayout.load());
  if (BrandRuleIdentity(m_config, m_brandRule, m_identityBlock)) WriteIdentityBlock();
  return IsAccepted(m_brandRule);
}

void CBrindleWindow::WriteIdentityBlock() {
  // Checksum 0: the device does not check identity writes. The results are
  // not looked at, and no EndSession follows.
  if (m_hid.SendCommand(kCmdWriteBlocks, kIdentityBlock, 1, 0, kParameterArea, 0))
    m_hid.SendBlocks(1, m_identityBlock.data());
}

}  // namespace brindle
