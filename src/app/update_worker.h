#pragma once
// The update worker: one run per click of Update. It gets hold of the update
// file (the chosen file, or an archive it downloads and unpacks), checks it,
// sends its sections to the device block by block, ends the exchange with
// the closing command, removes its working files and tells the user the
// outcome. It reaches the window's controls only through
// CBrindleWindow::RunOnWindowThread; the state record's shared fields are
// atomics.
#include <cstdint>
#include <string>

#include "app/brindle_window.h"
#include "settings/brand_tag.h"
#include "update/byte_source.h"
#include "update/transfer_layout.h"
#include "update/update_parser.h"

namespace brindle {

// What the worker takes from the window when it is started: copies, so the
// window thread may go on changing its own members meanwhile.
struct UpdateRunInput {
  std::string archiveUrl;  // empty when there is none
  DeviceFacts facts;       // for the brand lookup
};

// Attempts a write gets on devices from version 1008 (also when the version
// query failed: -1 and -2 compare as large unsigned numbers).
constexpr int kRetriedAttempts = 10;

// True when the device answers writes honestly, so failures count and are
// retried, and the run ends with EndUpdate instead of EndSession.
inline bool UsesRetries(int32_t deviceVersion) {
  return static_cast<uint32_t>(deviceVersion) >= kRetryingDeviceVersion;
}

// The thread procedure. Stores the outcome in window.m_updateOutcome, clears
// m_workerRunning as its last step and posts WM_UPDATE_WORKER_ENDED.
// Returns 0.
int UpdateWorker(CBrindleWindow& window, const UpdateRunInput& input);

// Reads size bytes at fileOffset, pads them to whole blocks and writes them
// to destination with its checksum and retry rules. 1 sent, 0 failed. Below
// version 1008 the device's answer is ignored, but a write that did not reach
// the device (the link failed, the device went away or fell silent, or the
// write was cut short) fails on every version.
int SendSection(CBrindleWindow& window, uint32_t size, IByteSource& file, uint64_t fileOffset,
                const SectionDestination& destination);

// The brand section: the transfer header block (stage 1), then the section
// (stage 2). 1 or 0 as SendSection.
int SendBrandSection(CBrindleWindow& window, IByteSource& file, const UpdateDescription& description);

}  // namespace brindle
