#include "cli/online_commands.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <iostream>
#include <mutex>

#include "cli/cli_options.h"
#include "cli/console_platform.h"
#include "online/http_download.h"

namespace brindle::cli {

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) { g_interrupted.store(true); }

struct PostedMessage {
  uint32_t msg;
  WPARAM wParam;
  LPARAM lParam;
};

// The console's message queue: the downloader posts from its worker, the
// main thread takes the messages in order.
class CMessageQueue : public IMessageTarget {
 public:
  void PostMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) override {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_messages.push_back({msg, wParam, lParam});
    }
    m_ready.notify_one();
  }
  // The next message, or false when none came within timeout.
  bool Take(PostedMessage& message, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_ready.wait_for(lock, timeout, [this] { return !m_messages.empty(); })) return false;
    message = m_messages.front();
    m_messages.pop_front();
    return true;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_ready;
  std::deque<PostedMessage> m_messages;
};

}  // namespace

int RunDownload(const std::vector<std::string>& args) {
  if (args.size() != 2) {
    std::cerr << "brindle-cli: download needs URL and OUT\n" << kUsage;
    return kExitUsage;
  }
  CMessageQueue queue;
  CHttpDownload download;
  download.SetParams(&queue, args[0], args[1], "", "", "", "", "", kAccessPreconfig, false, false,
                     false, 0.0, 0);
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
    PostedMessage m{};
    if (!queue.Take(m, std::chrono::milliseconds(100))) continue;
    switch (m.msg) {
      case WM_DOWNLOAD_SIZE:
        total = m.wParam;
        std::cerr << "size " << m.wParam << " bytes, resuming at " << m.lParam << "\n";
        break;
      case WM_DOWNLOAD_PERCENT:
        std::cerr << m.wParam << "%\n";
        break;
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
      default:
        break;
    }
  }
}

}  // namespace brindle::cli
