#pragma once
// CSectionWriter: sends the writes of an update image to the device through
// the command object, one WriteBlocks command and its data reports each,
// with the retry rules of the device's version, and keeps the transfer's
// counters. It knows nothing of windows: whoever drives it reads its
// progress and decides what a failure means for the run.
#include <atomic>
#include <cstdint>

#include "device/hid_cmd.h"
#include "update/section_image.h"
#include "update/transfer_progress.h"

namespace brindle {

// Attempts a write gets on devices from version 1008 (also when the version
// query failed: -1 and -2 compare as large unsigned numbers).
constexpr int kRetriedAttempts = 10;

// True when the device answers writes honestly, so failures count and are
// retried, and the run ends with EndUpdate instead of EndSession.
inline bool UsesRetries(int32_t deviceVersion) {
  return static_cast<uint32_t>(deviceVersion) >= kRetryingDeviceVersion;
}

// Sets the transfer's stage and tags the reports that follow with it, so
// their progress messages say what they belonged to.
void MarkTransferStage(TransferProgress& progress, CHidCmd& hid, uint8_t stage);

// How a write ended.
enum class WriteResult {
  kWritten,   // acknowledged; below version 1008: sent, whatever the answer
  kRefused,   // the device answered every attempt with a failure
  kLinkLost,  // a report did not move: the device went away or fell silent
  kStopped,   // a stop request (or a removal) ended the write
};

class CSectionWriter {
 public:
  // stop is the run's stop request: no write is started once it is set.
  CSectionWriter(CHidCmd& hid, TransferProgress& progress, const std::atomic<bool>& stop);

  // The device's QueryVersion answer (or a negative result) steers retries.
  void SetDeviceVersion(int32_t version) { m_deviceVersion = version; }
  int32_t DeviceVersion() const { return m_deviceVersion; }

  // Sets the stage of the transfer and tags the reports that follow with it.
  void SetStage(uint8_t stage);

  // One write of the image with its retry rules. Attempts() then tells how
  // many were made.
  WriteResult Write(const SectionImage& section);
  int Attempts() const { return m_attempts; }
  // After kLinkLost: how the link failed.
  LinkFailure LastLinkFailure() const { return m_linkFailure; }

 private:
  enum class Attempt { kWritten, kRefused, kLinkFailed, kCancelled };
  Attempt WriteOnce(const SectionImage& s);
  bool Stopped() const;

  CHidCmd& m_hid;
  TransferProgress& m_progress;
  const std::atomic<bool>& m_stop;
  int32_t m_deviceVersion = kResultNotSent;
  int m_attempts = 0;
  LinkFailure m_linkFailure = LinkFailure::kNone;
};

}  // namespace brindle
