#pragma once

// Converting a recorded infrared remote signal (16-bit signed mono WAV at
// 44100 samples per second) into the list of its pulse durations, as the
// Debug page's "IR" button does. The conversion works on bytes; the file
// helper reads the recording and writes the text beside it.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace vt::formats {

inline constexpr size_t kInfraredFirstSample = 42;   // the header's last word counts as a sample
inline constexpr size_t kInfraredReadLimit = 100000;
inline constexpr size_t kInfraredTextLimit = 10000;
inline constexpr int kInfraredSampleRate = 44100;
inline constexpr int kInfraredHighAbove = 60;

// "0_%d, " for each low run ended by a high sample, "1_%d, " for each high
// run ended by a low sample, durations in whole microseconds; the final run
// is not written. The text never exceeds `limit` bytes: the conversion
// stops before the first entry that would not fit whole, and *cut (when
// given) tells whether that happened.
std::string InfraredPulseText(std::span<const uint8_t> recording,
                              size_t limit = kInfraredTextLimit, bool* cut = nullptr);

// The output name: the input with the character after the first "." of its
// file name replaced by "~" (ir.wav gives ir.~av); "~" is appended to a name
// whose file name has no character after a "." or no "." at all.
std::filesystem::path InfraredOutputName(const std::filesystem::path& input);

struct InfraredResult {
  bool written = false;            // the output file holds the text
  std::filesystem::path output;    // empty when the name was empty
  size_t inputBytes = 0;
  size_t textBytes = 0;
  bool cut = false;                // the text stopped at its size limit
  std::string error;               // why nothing was written, when not
};

// Reads at most 100000 bytes of `input` (a missing file reads as none),
// replaces the output file with the text as a whole and returns what
// happened. A bare file name (no folder) has its output written into
// `bareNameFolder` when one is given: the working folder may be where the
// program is installed. Nothing is touched when the output name would be the input
// itself, when the input is a FIFO, directory or device, or when the output
// name is taken by something other than a regular file.
InfraredResult ConvertInfraredFile(const std::filesystem::path& input,
                                   const std::filesystem::path& bareNameFolder = {});

}  // namespace vt::formats
