#include "cli/text_format.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace vt::cli {

std::optional<uint32_t> ParseNumber(const std::string& text, uint32_t max) {
  std::string_view digits = text;
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits.remove_prefix(2);
    base = 16;
  }
  uint64_t value = 0;
  const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (digits.empty() || ec != std::errc() || ptr != digits.data() + digits.size() || value > max) {
    return std::nullopt;
  }
  return static_cast<uint32_t>(value);
}

std::string HexBytes(std::span<const uint8_t> bytes) {
  std::string out;
  char cell[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(cell, sizeof cell, i == 0 ? "%02x" : " %02x", bytes[i]);
    out += cell;
  }
  return out;
}

std::string HexDump(uint32_t address, std::span<const uint8_t> bytes) {
  std::string out;
  char cell[16];
  for (size_t row = 0; row < bytes.size(); row += 16) {
    const auto line = bytes.subspan(row, std::min<size_t>(16, bytes.size() - row));
    std::snprintf(cell, sizeof cell, "%08x ", static_cast<uint32_t>(address + row));
    out += cell;
    for (size_t i = 0; i < 16; ++i) {
      if (i < line.size()) {
        std::snprintf(cell, sizeof cell, " %02x", line[i]);
        out += cell;
      } else {
        out += "   ";
      }
    }
    out += "  |";
    for (uint8_t b : line) out += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '.';
    out += "|\n";
  }
  return out;
}

std::string RenderDeviceText(std::span<const uint8_t> buffer) {
  if (buffer.empty()) return {};
  const size_t n = std::min<size_t>(buffer[0], buffer.size() - 1);
  std::string out;
  char esc[8];
  for (uint8_t c : buffer.subspan(1, n)) {
    if (c == 0x0D) continue;
    if (c == 0x0A) {
      out += '\n';
    } else if (c == 0xA4) {
      out += "\xC2\xA4\n";  // the currency sign the byte stands for, then the line end
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      std::snprintf(esc, sizeof esc, "\\x%02x", c);
      out += esc;
    }
  }
  return out;
}

std::string BoardText(std::string_view text) {
  std::string out;
  char esc[8];
  for (const char ch : text) {
    const auto c = static_cast<uint8_t>(ch);
    if (c >= 0x20 && c < 0x7F) {
      out += ch;
    } else {
      std::snprintf(esc, sizeof esc, "\\x%02x", c);
      out += esc;
    }
  }
  return out;
}

std::string OneLine(std::string_view text) {
  std::string out;
  char esc[8];
  for (const char ch : text) {
    const auto c = static_cast<uint8_t>(ch);
    if (c == '\n') {
      out += ' ';
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(esc, sizeof esc, "\\x%02x", c);
      out += esc;
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace vt::cli
