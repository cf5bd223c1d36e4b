#include "sim/usb/usb_descriptors.h"

#include <algorithm>

namespace vt::sim::usb {

namespace {

void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

// A short item whose data is `v` in as few bytes as it takes (1 or 2).
void Item(std::vector<uint8_t>& out, uint8_t tag, uint16_t v) {
  if (v <= 0xFF) {
    out.push_back(static_cast<uint8_t>(tag | 1));
    out.push_back(static_cast<uint8_t>(v));
  } else {
    out.push_back(static_cast<uint8_t>(tag | 2));
    Put16(out, v);
  }
}

constexpr uint16_t kDefaultReportLength = 65;
constexpr size_t kMaxStringContent = 253;

}  // namespace

DeviceShape ShapeOf(const platform::HidDeviceInfo& info, bool outEndpoint) {
  DeviceShape s;
  s.vendorId = info.vendorId;
  s.productId = info.productId;
  s.release = info.version;
  s.serial = info.serial;
  if (info.capsValid && info.inputReportLength > 1 && info.outputReportLength > 1) {
    s.inputReportLength = info.inputReportLength;
    s.outputReportLength = info.outputReportLength;
  } else {
    s.inputReportLength = kDefaultReportLength;
    s.outputReportLength = kDefaultReportLength;
  }
  s.outEndpoint = outEndpoint;
  return s;
}

uint16_t InputPayload(const DeviceShape& shape) {
  return static_cast<uint16_t>(shape.inputReportLength - 1);
}
uint16_t OutputPayload(const DeviceShape& shape) {
  return static_cast<uint16_t>(shape.outputReportLength - 1);
}
uint16_t MaxPacket(uint16_t payload) { return std::min<uint16_t>(payload, 64); }

std::vector<uint8_t> DeviceDescriptor(const DeviceShape& shape) {
  std::vector<uint8_t> d{18, kDescDevice};
  Put16(d, 0x0200);             // USB 2.0
  d.insert(d.end(), {0, 0, 0});  // class given per interface
  d.push_back(64);               // control endpoint packet size
  Put16(d, shape.vendorId);
  Put16(d, shape.productId);
  Put16(d, shape.release);
  d.insert(d.end(), {kStringManufacturer, kStringProduct,
                     static_cast<uint8_t>(shape.serial.empty() ? 0 : kStringSerial), 1});
  return d;
}

std::vector<uint8_t> HidDescriptor(const DeviceShape& shape) {
  std::vector<uint8_t> d{9, kDescHid};
  Put16(d, 0x0111);  // HID 1.11
  d.push_back(0);    // not localised
  d.push_back(1);    // one class descriptor follows
  d.push_back(kDescReport);
  Put16(d, static_cast<uint16_t>(ReportDescriptor(shape).size()));
  return d;
}

std::vector<uint8_t> ConfigurationDescriptor(const DeviceShape& shape) {
  const uint8_t endpoints = shape.outEndpoint ? 2 : 1;
  std::vector<uint8_t> d{9, kDescConfiguration, 0, 0, 1, 1, 0, 0x80, 50};  // bus powered, 100 mA
  d.insert(d.end(), {9, kDescInterface, 0, 0, endpoints, 0x03, 0, 0, 0});  // HID, no boot protocol
  const auto hid = HidDescriptor(shape);
  d.insert(d.end(), hid.begin(), hid.end());
  d.insert(d.end(), {7, kDescEndpoint, kEndpointIn, 0x03});
  Put16(d, MaxPacket(InputPayload(shape)));
  d.push_back(kIntervalMs);
  if (shape.outEndpoint) {
    d.insert(d.end(), {7, kDescEndpoint, kEndpointOut, 0x03});
    Put16(d, MaxPacket(OutputPayload(shape)));
    d.push_back(kIntervalMs);
  }
  d[2] = static_cast<uint8_t>(d.size() & 0xFF);
  d[3] = static_cast<uint8_t>(d.size() >> 8);
  return d;
}

std::vector<uint8_t> ReportDescriptor(const DeviceShape& shape) {
  std::vector<uint8_t> d;
  d.insert(d.end(), {0x06, 0x00, 0xFF});  // Usage Page (vendor defined 0xFF00)
  d.insert(d.end(), {0x09, 0x01});        // Usage (1)
  d.insert(d.end(), {0xA1, 0x01});        // Collection (application)
  d.insert(d.end(), {0x15, 0x00});        //   Logical Minimum (0)
  d.insert(d.end(), {0x26, 0xFF, 0x00});  //   Logical Maximum (255)
  d.insert(d.end(), {0x75, 0x08});        //   Report Size (8)
  d.insert(d.end(), {0x09, 0x01});        //   Usage (1)
  Item(d, 0x94, InputPayload(shape));     //   Report Count
  d.insert(d.end(), {0x81, 0x02});        //   Input (data, variable, absolute)
  d.insert(d.end(), {0x09, 0x01});        //   Usage (1)
  Item(d, 0x94, OutputPayload(shape));    //   Report Count
  d.insert(d.end(), {0x91, 0x02});        //   Output (data, variable, absolute)
  d.push_back(0xC0);                      // End Collection
  return d;
}

std::vector<uint8_t> StringDescriptor(std::span<const uint8_t> data) {
  const size_t n = std::min(data.size(), kMaxStringContent);
  std::vector<uint8_t> d{static_cast<uint8_t>(n + 2), kDescString};
  d.insert(d.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
  return d;
}

std::vector<uint8_t> StringDescriptor(const std::u16string& text) {
  std::vector<uint8_t> bytes;
  for (char16_t c : text) Put16(bytes, static_cast<uint16_t>(c));
  return StringDescriptor(bytes);
}

std::vector<uint8_t> LanguageDescriptor() { return {4, kDescString, 0x09, 0x04}; }

}  // namespace vt::sim::usb
