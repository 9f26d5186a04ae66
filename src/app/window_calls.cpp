// Window operations asked for by the update worker: they run on the
// window's thread, one at a time, while the worker waits. Once shutdown has
// begun every waiting and every later call returns at once without running,
// so the window thread can wait for the worker without a deadlock.
#include "app/brindle_window.h"

namespace brindle {

struct CBrindleWindow::WindowCall {
  const std::function<void()>* call;
  bool done = false;     // ran on the window's thread
  bool dropped = false;  // shutdown began before it ran
};

bool CBrindleWindow::RunOnWindowThread(const std::function<void()>& call) {
  if (IsWindowThread()) {
    if (m_shutDown) return false;
    call();
    return true;
  }
  WindowCall pending{&call};
  std::unique_lock lock(m_callMutex);
  if (m_callsClosed) return false;
  m_pendingCalls.push_back(&pending);
  lock.unlock();
  PostMessage(WM_RUN_WINDOW_CALLS, 0, 0);
  lock.lock();
  m_callDone.wait(lock, [&] { return pending.done || pending.dropped; });
  return pending.done;
}

void CBrindleWindow::ServeWindowCalls() {
  // One message may find several calls, or none when an earlier message
  // served them already.
  std::unique_lock lock(m_callMutex);
  while (!m_pendingCalls.empty()) {
    WindowCall* pending = m_pendingCalls.front();
    m_pendingCalls.pop_front();
    lock.unlock();
    (*pending->call)();
    lock.lock();
    pending->done = true;
    m_callDone.notify_all();
  }
}

void CBrindleWindow::CloseWindowCalls() {
  std::lock_guard lock(m_callMutex);
  m_callsClosed = true;
  for (WindowCall* pending : m_pendingCalls) pending->dropped = true;
  m_pendingCalls.clear();
  m_callDone.notify_all();
}

}  // namespace brindle
