#pragma once
// The HID report descriptor the device presents: one vendor-defined
// application collection with a 64-byte input and a 64-byte output report and
// no report ids, so every report on the wire is id 0 plus 64 payload bytes.
#include <array>
#include <cstdint>

namespace brindle {

inline constexpr std::array<uint8_t, 27> kDeviceReportDescriptor = {
    0x06, 0x00, 0xFF,  // Usage Page (Vendor Defined 0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x40,        //   Report Count (64)
    0x09, 0x01,        //   Usage (1)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x95, 0x40,        //   Report Count (64)
    0x09, 0x01,        //   Usage (1)
    0x91, 0x02,        //   Output (Data, Variable, Absolute)
    0xC0,              // End Collection
};

}  // namespace brindle
