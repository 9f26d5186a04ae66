#pragma once
// CHidCmd: the device's command protocol. Packs command records into
// reports, validates status replies, moves 256-byte blocks as runs of 64-byte
// reports, posts a progress message for every report moved, and lets a
// running block transfer be cancelled between two reports.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "core/messages.h"
#include "device/command_record.h"
#include "device/hid_io.h"

namespace brindle {

// The protocol's negative results.
constexpr int kResultNotSent = -1;   // the command's report could not be written
constexpr int kResultBadReply = -2;  // the status reply was invalid or not 0

class CHidCmd {
 public:
  explicit CHidCmd(std::shared_ptr<IHidBackend> backend);
  virtual ~CHidCmd();
  CHidCmd(const CHidCmd&) = delete;
  CHidCmd& operator=(const CHidCmd&) = delete;

  // 1 sent, 0 the report could not be written.
  int SendCommand(uint8_t code, uint32_t blockAddress, uint32_t blockCount, uint32_t dataLength, uint8_t area,
                  uint32_t dataChecksum);
  // 1 when a valid reply with status 0 arrived, else 0. A valid reply is
  // copied to reply whatever its status; an invalid one leaves it cleared.
  int ReceiveStatus(CommandRecord* reply = nullptr);
  // 256 on success; kResultNotSent; the bytes received so far when a read
  // failed; 0 when cancelled; kResultBadReply.
  int ReadBlock(uint8_t area, uint32_t blockAddress, uint8_t* buffer);
  // n x 256 on success; the bytes sent so far when a write failed; 0 when
  // cancelled; kResultBadReply.
  int SendBlocks(uint32_t blockCount, const uint8_t* data);
  // 1 ok, kResultBadReply, kResultNotSent.
  int EndSession();
  // 0 ok, kResultBadReply, kResultNotSent.
  int EndUpdate();
  int IsDevicePresent();
  void Disconnect();

  // Looks for the device and opens it: 1 connected, 0 not.
  int Connect();
  bool IsConnected() const { return m_connected.load(std::memory_order_acquire) != 0; }
  // Counts the device as gone (any thread) while its handles stay open for
  // a transfer that still uses them; CloseTransport closes them later.
  void MarkDisconnected() { m_connected.store(0, std::memory_order_release); }
  // Closes the device's handles and lock, whatever IsConnected says.
  void CloseTransport() { m_io.Close(); }
  bool IsTransportOpen() const { return m_io.IsOpen(); }

  // Stops a running block transfer after the current report (any thread).
  void RequestCancel() { m_cancel.store(1, std::memory_order_relaxed); }
  // Makes a waiting report read fail at its next slice (any thread).
  void AbortRead() { m_io.AbortRead(); }

  // Receives the progress messages; null for none.
  void SetProgressWindow(IMessageTarget* target) { m_progressWnd = target; }
  IMessageTarget* ProgressWindow() const { return m_progressWnd; }
  // wParam of every WM_HID_BYTES_SENT: set by the owner to mark what the
  // bytes belong to (any thread). It is taken when the report goes out, so a
  // receiver that handles the message later still knows what was being sent
  // then.
  void SetSentTag(WPARAM tag) { m_sentTag.store(tag, std::memory_order_relaxed); }
  WPARAM SentTag() const { return m_sentTag.load(std::memory_order_relaxed); }

  // The transport's settings and what it knows of its last failure.
  void SetLockFolder(std::string folder) { m_io.SetLockFolder(std::move(folder)); }
  void SetReadTimeoutMs(int ms) { m_io.SetReadTimeoutMs(ms); }
  bool TransportFailed() const { return m_io.TransportFailed(); }
  LinkFailure LastLinkFailure() const { return m_io.LastLinkFailure(); }
  int ReadTimeoutMs() const { return m_io.ReadTimeoutMs(); }
  void ClearTransportFailure() { m_io.ClearTransportFailure(); }
  HidOpenFailure LastOpenFailure() const { return m_io.LastOpenFailure(); }
  const std::string& LockError() const { return m_io.LockError(); }
  const std::string& DevicePath() const { return m_io.m_devicePath; }
  // Writes one 65-byte report as it is, record or not. 1 ok, 0 failed.
  int WriteRawReport(const Report& report) { return m_io.WriteReport(report.data()); }

 private:
  void Post(uint32_t msg, WPARAM tag, uint32_t bytes);
  int ReceiveReply(int okResult);

  Report m_report{};  // the report being sent or received
  CHidIO m_io;
  std::atomic<int> m_connected{0};          // 1 while the device is open
  IMessageTarget* m_progressWnd = nullptr;  // receives the progress messages
  std::atomic<int> m_cancel{0};             // stops a block transfer after the current report
  std::atomic<WPARAM> m_sentTag{0};         // see SetSentTag
};

}  // namespace brindle
