#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace vt::flash {

// The largest input the converter takes. A firmware file with its symbols
// and debug sections stays far below this; anything larger is not one.
inline constexpr size_t kConverterInputLimit = 64u * 1024 * 1024;

// Writes the stored form of `input` to `output`, replacing it as a whole.
// False (and nothing written, the reason in *error when given) when the
// input is not a readable regular file, is empty or too large, or the
// output cannot be written or is a directory, FIFO or device.
bool ConvertImage(const std::filesystem::path& input, const std::filesystem::path& output,
                  std::string* error = nullptr);

// The converter mode: "usbfw.elf" in `dir` becomes "usbfw.vt" there.
bool ConvertImageFile(const std::filesystem::path& dir = ".", std::string* error = nullptr);

}  // namespace vt::flash
