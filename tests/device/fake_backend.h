#pragma once
// A scripted HID backend: interfaces to enumerate, input reports to hand
// out, output reports recorded.
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "core/messages.h"
#include "device/command_record.h"
#include "device/hid_backend.h"

namespace brindle::test {

struct FakeRead {
  int result = 0;                // payload length, 0 time-out, -1 failure
  std::vector<uint8_t> payload;  // bytes handed out
};

class CFakeBackend final : public IHidBackend {
 public:
  std::vector<HidInterfaceInfo> interfaces;
  bool pathsCarryIds = false;
  bool locksOnNode = false;                            // lock the paths as device nodes
  HidOpenFailure openFailure = HidOpenFailure::kNone;  // every Open fails with this when set
  bool present = true;                                 // what Probe answers
  int probeCalls = 0;
  int writesBeforeFailure = -1;     // -1: writes never fail
  std::deque<FakeRead> reads;       // empty: reads time out
  std::vector<Report> writes;       // every report written
  std::vector<std::string> opened;  // paths opened

  std::vector<HidInterfaceInfo> Enumerate() override { return interfaces; }
  std::unique_ptr<IHidDevice> Open(const std::string& path, HidOpenFailure& failure) override;
  bool Probe(const std::string&) override {
    ++probeCalls;
    return present;
  }
  bool PathsCarryIds() const override { return pathsCarryIds; }
  bool LocksOnNode() const override { return locksOnNode; }

  // Queues a reply record as one input report.
  void QueueReply(const CommandRecord& rec, size_t payloadLength = kReportPayload);
  void QueueData(const std::vector<uint8_t>& bytes);  // 64-byte input reports
};

// A Windows interface path of the device or of something else.
std::string WindowsPath(const std::string& ids, const std::string& instance);

// Counts posted messages; may run an action on the first one.
class CPostRecorder final : public IMessageTarget {
 public:
  using Posted = PostedMessage;
  std::vector<Posted> posted;
  std::function<void()> onPost;
  void PostMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) override {
    posted.push_back({msg, wParam, lParam});
    if (onPost) onPost();
  }
};

}  // namespace brindle::test
