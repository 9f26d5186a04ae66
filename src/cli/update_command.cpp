#include "cli/update_command.h"

#include <atomic>
#include <iostream>

#include "app/window_texts.h"
#include "cli/cli_texts.h"
#include "cli/console_platform.h"
#include "cli/console_window.h"
#include "cli/identify_command.h"

namespace brindle::cli {

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void OnUpdateInterrupt(int) { g_interrupted.store(true); }

// Identifies the device, then runs the worker on what the status text and
// the archive URL name, as the window would.
int RunWorker(CDeviceSession& session, const std::string& file, const std::string& archiveUrl,
              bool verifyOnly, bool verifyAfter) {
  CConsoleWindow window(session.Backend());
  session.Configure(window.Hid());
  StartAndIdentify(window);
  // A device that is absent, or closed again by the brand rules, is no device.
  if (!window.Hid().IsConnected() || !window.DeviceReady()) {
    std::cout << text::kNoHardware << "\n";
    return kExitNoDevice;
  }
  if (archiveUrl.empty()) {
    window.SetControlText(kIdStatusText, file);
  } else {
    // As when the brand table names the archive itself: the URL is both the
    // archive and the status text, which names no file.
    window.SetArchiveUrl(archiveUrl);
    window.SetControlText(kIdStatusText, archiveUrl);
  }
  window.SetVerifyAfterUpdate(verifyAfter);

  // A closed terminal ends the run as an interrupt does: the archiver is
  // stopped and this run's working files are removed.
  CatchInterrupts(OnUpdateInterrupt, true);

  if (!(verifyOnly ? window.StartVerify() : window.StartUpdateWorker())) {
    ErrorLine() << "the update worker could not be started\n";
    return kExitFailed;
  }
  // The progress timer keeps the loop awake, so an interrupt is seen within
  // one of its ticks.
  window.RunUntil([&] { return !window.WorkerRunning() || g_interrupted.load(); });
  if (window.WorkerRunning()) {
    // Closing the window: the worker stops on its own, without an error box.
    window.Shutdown();
    window.EndProgressLine();
    ErrorLine() << "interrupted\n";
    return kExitFailed;
  }
  window.EndProgressLine();
  const std::string& outcome = window.UpdateOutcome();
  return outcome.empty() || (verifyOnly && outcome == kTextVerifyOk) ? kExitOk : kExitFailed;
}

}  // namespace

int RunUpdate(CDeviceSession& session, const std::vector<std::string>& args) {
  std::vector<std::string> rest = args;
  bool verify = false;
  if (!rest.empty() && rest.back() == "--verify") {
    verify = true;
    rest.pop_back();
  }
  std::string file;
  std::string archiveUrl;
  if (rest.size() == 1 && rest[0].rfind("--", 0) != 0) {
    file = rest[0];
  } else if (rest.size() == 2 && rest[0] == "--archive-url" && !rest[1].empty()) {
    archiveUrl = rest[1];
  } else {
    ErrorLine() << "update needs FILE or --archive-url URL, then optionally --verify\n" << kUsage;
    return kExitUsage;
  }
  return RunWorker(session, file, archiveUrl, false, verify);
}

int RunVerify(CDeviceSession& session, const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].empty() || args[0].rfind("--", 0) == 0) {
    ErrorLine() << "verify needs FILE\n" << kUsage;
    return kExitUsage;
  }
  return RunWorker(session, args[0], "", true, false);
}

}  // namespace brindle::cli
