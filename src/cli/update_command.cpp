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

}  // namespace

int RunUpdate(CDeviceSession& session, const std::vector<std::string>& args) {
  std::string file;
  std::string archiveUrl;
  if (args.size() == 1 && args[0].rfind("--", 0) != 0) {
    file = args[0];
  } else if (args.size() == 2 && args[0] == "--archive-url" && !args[1].empty()) {
    archiveUrl = args[1];
  } else {
    ErrorLine() << "update needs FILE or --archive-url URL\n" << kUsage;
    return kExitUsage;
  }

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

  // A closed terminal ends the run as an interrupt does: the archiver is
  // stopped and this run's working files are removed.
  CatchInterrupts(OnUpdateInterrupt, true);

  if (!window.StartUpdateWorker()) {
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
  return window.UpdateOutcome().empty() ? kExitOk : kExitFailed;
}

}  // namespace brindle::cli
