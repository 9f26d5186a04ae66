#pragma once
// Message ids of the window layer, the one record of a posted message and
// the thread-safe target messages are posted to.
#include <cstdint>

#include "core/windows_names.h"

namespace brindle {

// One posted message, as queued, recorded and handed to a message map.
struct PostedMessage {
  uint32_t msg;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const PostedMessage&) const = default;
};

// Posted by the command layer for every report moved.
constexpr uint32_t WM_HID_BYTES_SENT = WM_USER + 108;
constexpr uint32_t WM_HID_BYTES_RECEIVED = WM_USER + 109;

// Posted by the downloader.
constexpr uint32_t WM_DOWNLOAD_FINISHED = WM_APP + 0x51;
constexpr uint32_t WM_DOWNLOAD_SIZE = WM_APP + 0x52;
constexpr uint32_t WM_DOWNLOAD_PERCENT = WM_APP + 0x53;
constexpr uint32_t WM_DOWNLOAD_SPEED = WM_APP + 0x54;

// Anything that accepts posted messages. PostMessage may be called from any
// thread and never waits for the receiver; the message is handled later on
// the receiver's own thread.
class IMessageTarget {
 public:
  virtual ~IMessageTarget() = default;
  virtual void PostMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) = 0;
};

}  // namespace brindle
