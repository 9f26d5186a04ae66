#include "cli/device_session.h"

#include <fstream>

#include "cli/cli_texts.h"
#include "sim/memory_dump.h"

namespace brindle::cli {

bool CDeviceSession::Create(const Options& options, std::string& error) {
  m_readTimeoutMs = options.readTimeoutMs;
  DeviceBackend backend;
  if (!MakeDeviceBackend(options.device, backend, error)) return false;
  m_sim = backend.sim;
  m_backend = backend.hid;
  m_hid = std::make_unique<CHidCmd>(m_backend);
  return true;
}

void CDeviceSession::Configure(CHidCmd& hid) const {
  if (m_readTimeoutMs > 0) hid.SetReadTimeoutMs(m_readTimeoutMs);
}

bool CDeviceSession::Open() {
  Configure(*m_hid);
  return m_hid->Connect() != 0;
}

void CDeviceSession::Close() {
  m_hid->CloseTransport();
  m_hid->MarkDisconnected();
}

std::string CDeviceSession::OpenFailureHint() const {
  if (m_hid->LastOpenFailure() == HidOpenFailure::kPermission)
    return console_text::AccessHint(m_hid->DevicePath());
  return {};
}

bool CDeviceSession::DumpSimMemory(const std::string& dir, std::string& error) const {
  return !m_sim || WriteSimMemoryDump(*m_sim, dir, error);
}

}  // namespace brindle::cli
