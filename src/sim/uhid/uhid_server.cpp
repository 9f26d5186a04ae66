#include "sim/uhid/uhid_server.h"

#include <linux/uhid.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "device/hid_io.h"
#include "sim/uhid/report_descriptor.h"

namespace brindle {

namespace {

static_assert(kDeviceReportDescriptor.size() <= HID_MAX_DESCRIPTOR_SIZE);

uhid_event BlankEvent(uint32_t type) {
  uhid_event ev;
  std::memset(&ev, 0, sizeof(ev));
  ev.type = type;
  return ev;
}

void CopyText(uint8_t* dst, size_t room, const std::string& text) {
  const size_t n = std::min(text.size(), room - 1);  // keep the terminating zero
  std::memcpy(dst, text.data(), n);
}

}  // namespace

bool CUhidServer::WriteEvent(const void* event, size_t size) {
  for (;;) {
    const ssize_t n = write(m_fd, event, size);
    if (n == static_cast<ssize_t>(size)) return true;
    if (n < 0 && errno == EINTR) continue;
    return false;
  }
}

int CUhidServer::Create(const UhidDeviceSetup& setup) {
  if (m_created) return 1;
  uhid_event ev = BlankEvent(UHID_CREATE2);
  uhid_create2_req& req = ev.u.create2;
  CopyText(req.name, sizeof(req.name), setup.name);
  CopyText(req.phys, sizeof(req.phys), "brindle-uhid");
  req.rd_size = static_cast<uint16_t>(kDeviceReportDescriptor.size());
  req.bus = setup.bus;
  req.vendor = kDeviceVendorId;
  req.product = kDeviceProductId;
  std::memcpy(req.rd_data, kDeviceReportDescriptor.data(), kDeviceReportDescriptor.size());
  if (!WriteEvent(&ev, sizeof(ev))) return 0;
  m_generation = m_device.Generation();
  m_created = true;
  return 1;
}

int CUhidServer::Destroy() {
  if (!m_created) return 1;
  m_created = false;
  const uhid_event ev = BlankEvent(UHID_DESTROY);
  return WriteEvent(&ev, sizeof(ev)) ? 1 : 0;
}

bool CUhidServer::SendInput(const uint8_t* payload, size_t size) {
  uhid_event ev = BlankEvent(UHID_INPUT2);
  ev.u.input2.size = static_cast<uint16_t>(size);
  std::memcpy(ev.u.input2.data, payload, size);
  if (!WriteEvent(&ev, sizeof(ev))) return false;
  ++m_inputReports;
  return true;
}

bool CUhidServer::ReplyReportRequest(uint32_t type, uint32_t id) {
  // The device has no feature reports and takes output reports only on its
  // interrupt pipe; refuse at once so the kernel does not wait out its
  // request time-out.
  uhid_event ev;
  if (type == UHID_GET_REPORT) {
    ev = BlankEvent(UHID_GET_REPORT_REPLY);
    ev.u.get_report_reply.id = id;
    ev.u.get_report_reply.err = EIO;
  } else {
    ev = BlankEvent(UHID_SET_REPORT_REPLY);
    ev.u.set_report_reply.id = id;
    ev.u.set_report_reply.err = EIO;
  }
  return WriteEvent(&ev, sizeof(ev));
}

CUhidServer::Step CUhidServer::ServeOutput(const uint8_t* data, size_t size) {
  // hidraw passes the report id byte along (0: the descriptor has no ids).
  // A payload without it is taken as id 0 so the model always sees a whole
  // 65-byte report; a longer one is no report of this device.
  ++m_outputReports;
  if (size > kReportLength) return Step::kContinue;
  Report report;
  report.fill(0);
  if (size == kReportLength) {
    std::memcpy(report.data(), data, size);
  } else {
    std::memcpy(report.data() + 1, data, std::min(size, kReportPayload));
  }
  if (m_device.ReceiveReport(report.data(), report.size(), m_generation) < 0 && !m_device.IsPlugged()) {
    Destroy();
    return Step::kUnplugged;
  }
  // Hand over everything the model queued for this report; it never queues
  // more than a block's data and one reply.
  for (;;) {
    uint8_t payload[kReportPayload];
    const int n = m_device.SendReport(payload, sizeof(payload), 0, m_generation);
    if (n == 0) break;
    if (n < 0) {
      Destroy();
      return Step::kUnplugged;
    }
    if (!SendInput(payload, static_cast<size_t>(n))) return Step::kFailed;
  }
  return Step::kContinue;
}

bool ReadUhidEvent(int fd, UhidHostEvent& event) {
  uhid_event ev;
  ssize_t n;
  do {
    n = read(fd, &ev, sizeof(ev));
  } while (n < 0 && errno == EINTR);
  if (n < static_cast<ssize_t>(sizeof(ev.type))) return false;
  event = UhidHostEvent{};
  event.type = ev.type;
  switch (ev.type) {
    case UHID_OUTPUT:
      event.reportType = ev.u.output.rtype;
      event.size = std::min<uint16_t>(ev.u.output.size, UHID_DATA_MAX);
      std::memcpy(event.data.data(), ev.u.output.data, std::min<size_t>(event.size, event.data.size()));
      break;
    case UHID_GET_REPORT: event.requestId = ev.u.get_report.id; break;
    case UHID_SET_REPORT: event.requestId = ev.u.set_report.id; break;
    default: break;
  }
  return true;
}

CUhidServer::Step CUhidServer::HandleNextEvent() {
  UhidHostEvent event;
  if (!ReadUhidEvent(m_fd, event)) return Step::kFailed;
  return HandleEvent(event);
}

CUhidServer::Step CUhidServer::HandleEvent(const UhidHostEvent& event) {
  switch (event.type) {
    case UHID_OUTPUT:
      if (event.reportType != UHID_OUTPUT_REPORT) return Step::kContinue;
      return ServeOutput(event.data.data(), event.size);
    case UHID_GET_REPORT:
    case UHID_SET_REPORT:
      return ReplyReportRequest(event.type, event.requestId) ? Step::kContinue : Step::kFailed;
    case UHID_OPEN: m_openByHost = true; return Step::kContinue;
    case UHID_CLOSE: m_openByHost = false; return Step::kContinue;
    default:
      // UHID_START and UHID_STOP: the model keeps no state that depends on
      // them.
      return Step::kContinue;
  }
}

}  // namespace brindle
