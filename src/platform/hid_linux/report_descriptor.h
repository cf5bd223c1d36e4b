#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace vt::platform::hidraw {

// Report byte lengths as the Windows HID stack reports them in its
// capabilities: the longest report of each kind plus one byte for the report
// ID. That byte is counted even when the device uses no report IDs, so a
// plain 64-byte device reports 65/65. A kind without any report is 0.
struct ReportLengths {
  uint16_t input = 0;
  uint16_t output = 0;
  uint16_t feature = 0;
  bool usesReportIds = false;
};

// Parses a HID report descriptor's items (short and long items, Push/Pop of
// the global state) and sums the Input, Output and Feature main items per
// report ID. std::nullopt for a descriptor that ends inside an item or
// unbalances the global stack.
std::optional<ReportLengths> ParseReportDescriptor(std::span<const uint8_t> descriptor);

}  // namespace vt::platform::hidraw
