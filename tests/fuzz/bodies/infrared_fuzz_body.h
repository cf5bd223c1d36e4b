#pragma once

// The infrared recording the Debug page converts: any bytes as a WAV file.
// The text stays inside its limit, holds only whole entries, and a cut is
// reported exactly when the limit stopped the conversion.
#include <cstdint>
#include <span>
#include <string>

#include "formats/infrared_recording.h"
#include "tests/fuzz/bodies/fuzz_input.h"

namespace vt::fuzz {

inline bool WholeEntries(const std::string& text) {
  size_t at = 0;
  while (at < text.size()) {
    if (text.size() - at < 5 || (text[at] != '0' && text[at] != '1') || text[at + 1] != '_') return false;
    at += 2;
    const size_t digits = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    if (at == digits || text.compare(at, 2, ", ") != 0) return false;
    at += 2;
  }
  return true;
}

inline void RunInfraredInput(std::span<const uint8_t> data) {
  // The first two bytes pick a text limit, so short limits are cut often.
  FuzzInput in(data);
  const size_t limit = in.U16() % 512;
  bool cut = false;
  const std::string small = vt::formats::InfraredPulseText(data, limit, &cut);
  Require(small.size() <= limit, "text within its limit");
  Require(WholeEntries(small), "text holds whole entries");
  const std::string full = vt::formats::InfraredPulseText(data, vt::formats::kInfraredTextLimit);
  Require(full.size() <= vt::formats::kInfraredTextLimit && WholeEntries(full), "default limit kept");
  Require(full.compare(0, small.size(), small) == 0, "a cut text is the start of the whole one");
  // The small limit is far below the default one, so it stopped the
  // conversion exactly when its text is shorter.
  Require(cut == (small.size() < full.size()), "cut reported exactly when the limit stopped it");
}

}  // namespace vt::fuzz
