#pragma once
// A model of the device's firmware, written from the protocol: it validates
// command records, answers every command with a status reply, keeps both
// memory areas, checks the data checksum of writes and injects the faults of
// its profile. Host calls come from one thread at a time; plug and unplug may
// come from any thread.
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "device/command_record.h"
#include "sim/sim_profile.h"

namespace brindle {

constexpr uint32_t kSimArea0Blocks = 0x200;
constexpr uint32_t kSimArea1Blocks = 0x8000;

// Non-zero statuses the model answers with.
enum SimStatus : uint32_t {
  kSimOk = 0,
  kSimBadRecord = 0x10,
  kSimBadAddress = 0x11,
  kSimChecksumMismatch = 0x12,
  kSimInjectedFailure = 0x13,
  kSimUnknownCommand = 0x14,
  kSimFalseFailure = 0x15,  // faults.lyingStatus: the write was stored all the same
};

class CSimDevice {
 public:
  explicit CSimDevice(const SimProfile& profile = DefaultSimProfile());

  // Host side. ReceiveReport takes a 65-byte output report (byte 0 the report
  // id) and returns its length, or -1 when unplugged. SendReport hands the
  // next input report's 64 payload bytes: their count, 0 after timeoutMs
  // without one, -1 when unplugged. generation is the plug the caller opened.
  int ReceiveReport(const uint8_t* report, size_t length, uint64_t generation);
  int SendReport(uint8_t* payload, size_t length, int timeoutMs, uint64_t generation);

  void Plug();
  void Unplug();
  bool IsPlugged() const;
  // Called after every change of the plug state: Plug, Unplug and the
  // profile's fault unplug alike, on the thread that caused it, as a real
  // device's arrival or removal is announced by the system. Setting another
  // listener (or none) waits for a call in progress.
  void SetPlugListener(std::function<void()> listener);
  // Plugs count up; a handle from an earlier plug never works again.
  uint64_t Generation() const;
  const std::string& Path() const { return m_path; }

  // Inspection for tests and dumps.
  std::vector<uint8_t> AreaCopy(uint8_t area) const;
  uint64_t ReportCount() const;
  struct LoggedCommand {
    CommandFields fields;
    uint32_t status = 0;
  };
  std::vector<LoggedCommand> CommandLog() const;

 private:
  using Payload = std::array<uint8_t, kReportPayload>;
  static constexpr size_t kQueueSlots = 8;  // at most 4 data reports and a reply wait

  // Counts a report and applies the profile's faults; true when the count
  // made the device disappear. Under m_mutex.
  bool CountReport();
  // Waits for the end of the next free link frame (profile.frameMicros).
  void PaceReport();
  void AnnouncePlugChange();
  void HandleCommand(const uint8_t* rec);
  void FinishWrite();
  void QueueReply(uint32_t status, uint32_t value);
  void QueuePayload(const Payload& p);
  void Log(const CommandFields& f, uint32_t status);
  std::vector<uint8_t>* AreaFor(uint8_t area);
  bool InRange(uint8_t area, uint32_t block, uint32_t count);

  mutable std::mutex m_mutex;
  std::condition_variable m_outputReady;
  std::string m_path;
  SimProfile m_profile;
  std::vector<uint8_t> m_area0;
  std::vector<uint8_t> m_area1;

  std::array<Payload, kQueueSlots> m_queue{};
  size_t m_queueHead = 0;
  size_t m_queueSize = 0;

  bool m_plugged = true;
  bool m_silent = false;
  uint64_t m_generation = 1;
  uint64_t m_reports = 0;
  int64_t m_failWritesLeft = 0;
  int64_t m_lyingStatusLeft = 0;
  int64_t m_badStoreLeft = 0;
  int64_t m_corruptLeft = 0;

  // A WriteBlocks command receiving its data reports. A write larger than
  // any area is still taken in, report by report, and refused after its
  // last one, so the host's reports stay in step; its data is not kept.
  bool m_receiving = false;
  CommandFields m_write;
  std::vector<uint8_t> m_writeData;  // empty for a write that is refused anyway
  uint64_t m_writeExpected = 0;      // bytes of the write
  uint64_t m_writeFill = 0;          // bytes taken in so far

  // End of the last frame given to a report (frame pacing).
  std::chrono::steady_clock::time_point m_frameEnd{};

  std::mutex m_listenerMutex;  // held while the listener runs
  std::function<void()> m_plugListener;

  std::vector<LoggedCommand> m_log;
};

}  // namespace brindle
