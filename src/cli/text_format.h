#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vt::cli {

// A number given on the command line: decimal, or hexadecimal with 0x.
// std::nullopt when it is not a number or exceeds `max`.
std::optional<uint32_t> ParseNumber(const std::string& text, uint32_t max = 0xFFFFFFFF);

// Classic hex dump: address, 16 bytes in hex, the printable ones as text.
//   00002800  56 54 01 00 ...  |VT..|
std::string HexDump(uint32_t address, std::span<const uint8_t> bytes);

// "01 02 ff"
std::string HexBytes(std::span<const uint8_t> bytes);

// Renders the board's message text (byte 0: the count n of text bytes that
// follow) for a terminal: CR dropped, LF ends a line, 0xA4 is shown and ends
// its line, other unprintable bytes appear as \xNN. A count larger than the
// buffer holds is cut to the buffer.
std::string RenderDeviceText(std::span<const uint8_t> buffer);

// Text that came from a board (serial number, device path) for a terminal:
// printable ASCII as it is, every other byte as \xNN, so escape sequences
// and control characters cannot act on the terminal.
std::string BoardText(std::string_view text);

// A message on one line: line ends become spaces, other control characters
// (escape included) appear as \xNN; UTF-8 text such as file names is kept.
std::string OneLine(std::string_view text);

}  // namespace vt::cli
