#include "shell/diagnostics_page_infrared.h"

#include <cstdio>
#include <system_error>
#include <vector>

namespace vt::shell {

namespace {

// Appends "<level>_<microseconds>, " unless it would pass the limit.
bool AppendRun(std::string& text, char level, uint64_t samples, size_t limit) {
  const uint64_t micros = samples * 1000000u / kInfraredSampleRate;
  char entry[32];
  const int n = std::snprintf(entry, sizeof entry, "%c_%llu, ", level,
                              static_cast<unsigned long long>(micros));
  if (n <= 0 || text.size() + static_cast<size_t>(n) > limit) return false;
  text.append(entry, static_cast<size_t>(n));
  return true;
}

}  // namespace

std::string InfraredPulseText(std::span<const uint8_t> recording, size_t limit) {
  std::string text;
  uint64_t highRun = 0;
  uint64_t lowRun = 0;
  for (size_t at = kInfraredFirstSample; at + 1 < recording.size(); at += 2) {
    const auto sample = static_cast<int16_t>(recording[at] | recording[at + 1] << 8);
    if (sample > kInfraredHighAbove) {
      if (lowRun != 0) {
        if (!AppendRun(text, '0', lowRun, limit)) break;
        lowRun = 0;
      }
      ++highRun;
    } else {
      if (highRun != 0) {
        if (!AppendRun(text, '1', highRun, limit)) break;
        highRun = 0;
      }
      ++lowRun;
    }
  }
  return text;
}

std::filesystem::path InfraredOutputName(const std::filesystem::path& input) {
  std::string name = input.filename().string();
  const size_t dot = name.find('.');
  if (dot == std::string::npos || dot + 1 >= name.size()) {
    name += '~';
  } else {
    name[dot + 1] = '~';
  }
  return input.parent_path() / name;
}

InfraredResult ConvertInfraredFile(const std::filesystem::path& input) {
  InfraredResult result;
  if (input.empty()) return result;
  std::vector<uint8_t> bytes(kInfraredReadLimit);
  if (std::FILE* in = std::fopen(input.string().c_str(), "rb")) {
    result.inputBytes = std::fread(bytes.data(), 1, bytes.size(), in);
    std::fclose(in);
  }
  bytes.resize(result.inputBytes);
  const std::string text = InfraredPulseText(bytes);
  result.textBytes = text.size();

  result.output = InfraredOutputName(input);
  // Converting an earlier output ("ir.~av") would otherwise delete the
  // recording it was read from.
  if (result.output == input) return result;
  std::error_code ec;
  std::filesystem::remove(result.output, ec);
  std::FILE* out = std::fopen(result.output.string().c_str(), "wbx");
  if (out == nullptr) return result;
  const size_t put = std::fwrite(text.data(), 1, text.size(), out);
  result.written = std::fclose(out) == 0 && put == text.size();
  return result;
}

}  // namespace vt::shell
