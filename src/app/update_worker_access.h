#pragma once
// The update worker's share of the window's state record: the fields it
// writes while it runs beside the window's handlers. Only the worker's own
// files (update_worker.cpp, update_archive_route.cpp) include this; everyone
// else reads the record through the window's accessors.
#include <atomic>
#include <cstdint>
#include <string>

#include "app/brindle_window.h"

namespace brindle {

struct UpdateWorkerAccess {
  static std::atomic<bool>& StopRequest(CBrindleWindow& w) { return w.m_stopWorker; }
  static std::atomic<int32_t>& Running(CBrindleWindow& w) { return w.m_workerRunning; }
  static std::atomic<uint32_t>& Attempt(CBrindleWindow& w) { return w.m_attempt; }
  static std::atomic<uint32_t>& ProgressTicks(CBrindleWindow& w) { return w.m_progressTicks; }
  static std::atomic<uint32_t>& BytesDone(CBrindleWindow& w) { return w.m_bytesDone; }
  static std::atomic<uint32_t>& BytesTotal(CBrindleWindow& w) { return w.m_bytesTotal; }
  static CHttpDownload& Download(CBrindleWindow& w) { return w.m_download; }
  // Window thread only.
  static std::string& DownloadError(CBrindleWindow& w) { return w.m_downloadError; }
  // Written before Running is cleared.
  static std::string& Outcome(CBrindleWindow& w) { return w.m_updateOutcome; }
};

}  // namespace brindle
