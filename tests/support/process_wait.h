#pragma once
// Waiting on other processes in tests that start or kill them.
#include <sys/types.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace brindle::test {

// True once pred holds, false when limit passed first.
template <typename Pred>
bool WaitFor(Pred pred, std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// True once pid has ended (gone, or a zombie nobody reaps yet).
inline bool Ended(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return true;
  const size_t paren = text.rfind(')');
  return paren == std::string::npos || text.size() < paren + 3 || text[paren + 2] == 'Z';
}

}  // namespace brindle::test
