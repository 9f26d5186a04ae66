#include "device/fake_backend.h"

#include <algorithm>
#include <cstring>

namespace brindle::test {

namespace {
class CFakeDevice final : public IHidDevice {
 public:
  explicit CFakeDevice(CFakeBackend& backend) : m_backend(backend) {}
  int Write(const uint8_t* report, size_t length) override {
    if (m_backend.writesBeforeFailure == 0) return -1;
    if (m_backend.writesBeforeFailure > 0) --m_backend.writesBeforeFailure;
    Report r;
    std::memcpy(r.data(), report, std::min(length, r.size()));
    m_backend.writes.push_back(r);
    return static_cast<int>(length);
  }
  int Read(uint8_t* buffer, size_t length, int) override {
    if (m_backend.reads.empty()) return 0;
    FakeRead r = std::move(m_backend.reads.front());
    m_backend.reads.pop_front();
    if (!r.payload.empty()) std::memcpy(buffer, r.payload.data(), std::min(length, r.payload.size()));
    return r.result;
  }

 private:
  CFakeBackend& m_backend;
};
}  // namespace

std::unique_ptr<IHidDevice> CFakeBackend::Open(const std::string& path, HidOpenFailure& failure) {
  failure = openFailure;
  if (openFailure != HidOpenFailure::kNone) return nullptr;
  opened.push_back(path);
  return std::make_unique<CFakeDevice>(*this);
}

void CFakeBackend::QueueReply(const CommandRecord& rec, size_t payloadLength) {
  FakeRead r;
  r.payload.assign(kReportPayload, 0);
  std::copy(rec.begin(), rec.end(), r.payload.begin());
  r.result = static_cast<int>(payloadLength);
  reads.push_back(std::move(r));
}

void CFakeBackend::QueueData(const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size(); i += kReportPayload) {
    FakeRead r;
    r.payload.assign(bytes.begin() + static_cast<ptrdiff_t>(i),
                     bytes.begin() + static_cast<ptrdiff_t>(std::min(bytes.size(), i + kReportPayload)));
    r.result = static_cast<int>(r.payload.size());
    r.payload.resize(kReportPayload, 0);
    reads.push_back(std::move(r));
  }
}

std::string WindowsPath(const std::string& ids, const std::string& instance) {
  return "\\\\?\\hid#" + ids + "#" + instance + "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

}  // namespace brindle::test
