#pragma once
// CUhidServer: serves the firmware model as a real HID device through the
// kernel's user-space HID driver (/dev/uhid). Output reports the host writes
// to the hidraw node arrive as UHID_OUTPUT events and go to the model; the
// model's replies go back as UHID_INPUT2 events. When the model unplugs
// (its unplug fault), the kernel device is destroyed, so the host sees a
// real removal.
#include <array>
#include <cstdint>
#include <string>

#include "device/command_record.h"
#include "sim/sim_device.h"

namespace brindle {

// Bus numbers of <linux/input.h>, named here so callers need no kernel header.
enum UhidBus : uint16_t {
  kUhidBusUsb = 0x03,
  kUhidBusBluetooth = 0x05,
  kUhidBusI2c = 0x18,
};

struct UhidDeviceSetup {
  uint16_t bus = kUhidBusUsb;
  std::string name = "Brindle virtual navigation device";
};

// The part of a kernel event the device needs: reports longer than a whole
// report are cut to it (the model takes exactly one report id and 64 bytes).
struct UhidHostEvent {
  uint32_t type = 0;       // UHID_OUTPUT, UHID_GET_REPORT, ...
  uint32_t requestId = 0;  // UHID_GET_REPORT / UHID_SET_REPORT: the id to answer
  uint8_t reportType = 0;  // UHID_OUTPUT: UHID_OUTPUT_REPORT or UHID_FEATURE_REPORT
  uint16_t size = 0;       // UHID_OUTPUT: the report's length as the host wrote it
  std::array<uint8_t, kReportLength> data{};
};

// Reads the next event from a uhid channel, waiting for it. False when the
// channel is closed or broken.
bool ReadUhidEvent(int fd, UhidHostEvent& event);

class CUhidServer {
 public:
  enum class Step {
    kContinue,   // the event was handled
    kUnplugged,  // the model unplugged; the kernel device has been destroyed
    kFailed,     // the channel broke; nothing more can be served
  };

  // fd: an open /dev/uhid (or, in tests, one end of a packet socket pair).
  // Neither is owned.
  CUhidServer(int fd, CSimDevice& device) : m_fd(fd), m_device(device) {}

  // Announces the device to the kernel. 1 sent, 0 failed.
  int Create(const UhidDeviceSetup& setup);
  // Serves one event the kernel sent.
  Step HandleEvent(const UhidHostEvent& event);
  // Reads one event from the channel and serves it.
  Step HandleNextEvent();
  // Removes the device from the kernel (idempotent). 1 sent or already gone.
  int Destroy();

  bool IsCreated() const { return m_created; }
  // True between the host's open of the hidraw node and its last close.
  bool IsOpenByHost() const { return m_openByHost; }
  uint64_t OutputReports() const { return m_outputReports; }
  uint64_t InputReports() const { return m_inputReports; }

 private:
  Step ServeOutput(const uint8_t* data, size_t size);
  bool SendInput(const uint8_t* payload, size_t size);
  bool ReplyReportRequest(uint32_t type, uint32_t id);
  bool WriteEvent(const void* event, size_t size);

  int m_fd;
  CSimDevice& m_device;
  uint64_t m_generation = 0;  // the model's plug this kernel device stands for
  bool m_created = false;
  bool m_openByHost = false;
  uint64_t m_outputReports = 0;  // reports the host wrote
  uint64_t m_inputReports = 0;   // reports handed to the host
};

}  // namespace brindle
