#include "cli/online_commands.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>

#include "cli/cli_options.h"
#include "cli/cli_texts.h"
#include "cli/console_platform.h"
#include "core/posted_message_queue.h"
#include "online/http_download.h"

namespace brindle::cli {

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) { g_interrupted.store(true); }

}  // namespace

int RunDownload(const std::vector<std::string>& args) {
  if (args.size() != 2) {
    ErrorLine() << "download needs URL and OUT\n" << kUsage;
    return kExitUsage;
  }
  // The downloader posts from its worker; this thread takes the messages in order.
  CPostedMessageQueue queue;
  CHttpDownload download;
  download.SetParams(&queue, args[0], args[1]);
  const std::string error = download.Start(false);
  if (!error.empty()) {
    std::cout << error;
    if (error.back() != '\n') std::cout << "\n";
    return kExitFailed;
  }
  CatchInterrupts(OnInterrupt, false);

  uint64_t total = 0;
  for (;;) {
    if (g_interrupted.load()) download.RequestAbort();
    const std::optional<PostedMessage> posted = queue.Take(std::chrono::milliseconds(100));
    if (!posted) continue;
    const PostedMessage& m = *posted;
    switch (m.msg) {
      case WM_DOWNLOAD_SIZE:
        total = m.wParam;
        std::cerr << "size " << m.wParam << " bytes, resuming at " << m.lParam << "\n";
        break;
      case WM_DOWNLOAD_PERCENT: std::cerr << m.wParam << "%\n"; break;
      case WM_DOWNLOAD_SPEED: {
        char line[128];
        std::snprintf(line, sizeof line, "%.2f KB/s, %lld of %llu bytes\n", m.wParam / 100000.0,
                      static_cast<long long>(m.lParam), static_cast<unsigned long long>(total));
        std::cerr << line;
        break;
      }
      case WM_DOWNLOAD_FINISHED: {
        download.Stop();
        std::cout << DownloadOutcomeName(static_cast<int>(m.wParam));
        if (m.lParam != 0) std::cout << " " << m.lParam;
        std::cout << "\n";
        return m.wParam == DownloadOk ? kExitOk : kExitFailed;
      }
      default: break;
    }
  }
}

}  // namespace brindle::cli
