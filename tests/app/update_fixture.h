#pragma once
// A recording window on a simulated device, identified and ready for an
// update: update files are packed into a temporary folder, and the test
// thread serves the window while the worker runs.
#include <chrono>
#include <fstream>
#include <thread>

#include "update/transfer_layout.h"
#include "update/update_acceptance.h"
#include "update/update_file_builder.h"
#include "update/update_outcomes.h"
#include "window_fixture.h"

namespace brindle::test {

// The model code of the simulated device's default settings block.
inline constexpr uint32_t kSimModel = MakeTag('B', 'R', '0', '1');

class UpdateTest : public WindowTest {
 public:  // case tables reach the helpers through lambdas
  // A device that already carries the company's identity, so identification
  // writes nothing.
  static SimProfile CompanyDevice(uint32_t version = 1008) {
    SimProfile p = ProfileWithIdentity(kCompany);
    p.version = version;
    return p;
  }
  void Connect(const SimProfile& profile = CompanyDevice()) {
    Start(profile);
    // A device gone after its closing command is waited for this long.
    window->SetReadBackReturnMs(300);
    Identify();
    identifyCommands = sim->CommandLog().size();
  }
  // Reports the identification of a company device takes, so that a fault
  // can be placed inside the update; the window is gone afterwards.
  uint64_t IdentifyReports() {
    Connect();
    const uint64_t n = sim->ReportCount();
    window.reset();
    return n;
  }
  std::string WriteFile(const std::vector<uint8_t>& bytes, const std::string& name = "update.dwm") {
    const std::string path = files.Path() + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  // Chooses the file as the Open button would and clicks Update.
  void UpdateWith(const std::string& path) {
    window->SetControlText(kIdStatusText, path);
    window->HandleMessage(WM_COMMAND, kIdUpdateButton, 0);
  }
  // Serves the window's messages until the worker has ended and been
  // collected; false when it runs past limit.
  bool RunWorker(std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (window->WorkerRunning() && std::chrono::steady_clock::now() < deadline) {
      window->Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    window->Pump();
    return !window->WorkerRunning();
  }
  // Commands the device received since the identification.
  std::vector<CSimDevice::LoggedCommand> UpdateCommands() const {
    const auto log = sim->CommandLog();
    return {log.begin() + static_cast<std::ptrdiff_t>(identifyCommands), log.end()};
  }
  size_t WritesTo(const SectionDestination& d) const {
    size_t n = 0;
    for (const auto& c : UpdateCommands())
      if (c.fields.code == kCmdWriteBlocks && c.fields.area == d.area && c.fields.blockAddress == d.block)
        ++n;
    return n;
  }
  std::vector<uint8_t> DeviceBytes(uint8_t area, uint32_t block, size_t n) const {
    const auto mem = sim->AreaCopy(area);
    const auto begin = mem.begin() + static_cast<std::ptrdiff_t>(block) * kBlockSize;
    return {begin, begin + static_cast<std::ptrdiff_t>(n)};
  }
  const CFakeWindow::Box* LastBox() const { return window->boxes.empty() ? nullptr : &window->boxes.back(); }
  std::string LastBoxText() const { return window->boxes.empty() ? "(no box)" : window->boxes.back().text; }
  // The system's own text of the last box, without the cause line.
  std::string LastBoxOutcome() const {
    const std::string text = LastBoxText();
    return text.substr(0, text.find('\n'));
  }

  CTempDir files;
  size_t identifyCommands = 0;
};

}  // namespace brindle::test
