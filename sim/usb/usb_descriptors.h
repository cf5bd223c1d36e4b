#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/hid_backend.h"

// The descriptors a board presents on the bus: one full-speed device with one
// configuration and one HID interface, reports without report IDs.
namespace vt::sim::usb {

inline constexpr uint8_t kDescDevice = 0x01;
inline constexpr uint8_t kDescConfiguration = 0x02;
inline constexpr uint8_t kDescString = 0x03;
inline constexpr uint8_t kDescInterface = 0x04;
inline constexpr uint8_t kDescEndpoint = 0x05;
inline constexpr uint8_t kDescHid = 0x21;
inline constexpr uint8_t kDescReport = 0x22;

inline constexpr uint8_t kEndpointIn = 0x81;
inline constexpr uint8_t kEndpointOut = 0x01;
inline constexpr uint8_t kIntervalMs = 1;

inline constexpr uint8_t kStringManufacturer = 1;
inline constexpr uint8_t kStringProduct = 2;
inline constexpr uint8_t kStringSerial = 3;

// What the descriptors are built from.
struct DeviceShape {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t release = 0;           // bcdDevice
  std::u16string serial;
  uint16_t inputReportLength = 65;   // report ID byte included, as the HID layer counts
  uint16_t outputReportLength = 65;  // report ID byte included
  bool outEndpoint = true;           // false: output reports travel as SET_REPORT
};

// The shape of the board behind `info`. A board whose report lengths are not
// known gets the usual 65/65.
DeviceShape ShapeOf(const platform::HidDeviceInfo& info, bool outEndpoint);

// Report payload sizes on the wire (the report ID byte is not sent).
uint16_t InputPayload(const DeviceShape& shape);
uint16_t OutputPayload(const DeviceShape& shape);
// wMaxPacketSize of the interrupt endpoints (full speed: at most 64).
uint16_t MaxPacket(uint16_t payload);

std::vector<uint8_t> DeviceDescriptor(const DeviceShape& shape);
// Configuration, interface, HID and endpoint descriptors in one block.
std::vector<uint8_t> ConfigurationDescriptor(const DeviceShape& shape);
// The HID class descriptor alone, as GET_DESCRIPTOR(HID) returns it.
std::vector<uint8_t> HidDescriptor(const DeviceShape& shape);
// Vendor-defined usage page, one input and one output report of 8-bit items.
std::vector<uint8_t> ReportDescriptor(const DeviceShape& shape);

// A string descriptor with `data` as its content: header (bLength, type 3)
// then the bytes. bLength is one byte, so content past 253 bytes is cut.
std::vector<uint8_t> StringDescriptor(std::span<const uint8_t> data);
std::vector<uint8_t> StringDescriptor(const std::u16string& text);
// String descriptor 0: the supported language (US English).
std::vector<uint8_t> LanguageDescriptor();

}  // namespace vt::sim::usb
