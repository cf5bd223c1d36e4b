#include "formats/infrared_recording.h"

#include <cstdio>

#include "platform/file_io.h"
#include "platform/utf8_path.h"

namespace vt::formats {

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

std::string InfraredPulseText(std::span<const uint8_t> recording, size_t limit, bool* cut) {
  std::string text;
  bool stopped = false;
  uint64_t highRun = 0;
  uint64_t lowRun = 0;
  for (size_t at = kInfraredFirstSample; at + 1 < recording.size(); at += 2) {
    const auto sample = static_cast<int16_t>(recording[at] | recording[at + 1] << 8);
    if (sample > kInfraredHighAbove) {
      if (lowRun != 0) {
        if (!AppendRun(text, '0', lowRun, limit)) {
          stopped = true;
          break;
        }
        lowRun = 0;
      }
      ++highRun;
    } else {
      if (highRun != 0) {
        if (!AppendRun(text, '1', highRun, limit)) {
          stopped = true;
          break;
        }
        highRun = 0;
      }
      ++lowRun;
    }
  }
  if (cut != nullptr) *cut = stopped;
  return text;
}

std::filesystem::path InfraredOutputName(const std::filesystem::path& input) {
  std::string name = platform::PathToUtf8(input.filename());
  const size_t dot = name.find('.');
  if (dot == std::string::npos || dot + 1 >= name.size()) {
    name += '~';
  } else {
    name[dot + 1] = '~';
  }
  return input.parent_path() / name;
}

InfraredResult ConvertInfraredFile(const std::filesystem::path& input,
                                   const std::filesystem::path& bareNameFolder) {
  InfraredResult result;
  if (input.empty()) return result;
  result.output = InfraredOutputName(input);
  if (!input.has_parent_path() && !bareNameFolder.empty()) {
    result.output = bareNameFolder / result.output;
  }
  // Converting an earlier output ("ir.~av") would otherwise replace the
  // recording it was read from.
  if (result.output == input) {
    result.error = platform::PathToUtf8(input) + ": is itself a conversion output";
    return result;
  }
  // A missing recording converts to an empty text; a FIFO, folder or device
  // is refused rather than waited on or read without end.
  auto read = platform::ReadRegularFile(input, kInfraredReadLimit, platform::SizeRule::kFirstBytes);
  if (!read.ok() && read.fault != platform::FileFault::kMissing) {
    result.error = read.message;
    return result;
  }
  result.inputBytes = read.bytes.size();
  const std::string text = InfraredPulseText(read.bytes, kInfraredTextLimit, &result.cut);
  result.textBytes = text.size();
  const auto written = platform::WriteFileAtomically(result.output, text);
  result.written = written.ok();
  if (!written.ok()) result.error = written.message;
  return result;
}

}  // namespace vt::formats
