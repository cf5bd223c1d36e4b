#include "flash/image_converter.h"

#include <vector>

#include "flash/stored_image.h"
#include "platform/file_io.h"
#include "platform/utf8_path.h"

namespace vt::flash {

bool ConvertImage(const std::filesystem::path& input, const std::filesystem::path& output,
                  std::string* error) {
  auto read = platform::ReadRegularFile(input, kConverterInputLimit);
  if (!read.ok()) {
    if (error != nullptr) *error = read.message;
    return false;
  }
  if (read.bytes.empty()) {
    if (error != nullptr) *error = platform::PathToUtf8(input) + ": is empty";
    return false;
  }
  const auto stored = EncodeStoredImage(read.bytes);
  const auto written = platform::WriteFileAtomically(output, stored);
  if (!written.ok() && error != nullptr) *error = written.message;
  return written.ok();
}

bool ConvertImageFile(const std::filesystem::path& dir, std::string* error) {
  return ConvertImage(dir / "usbfw.elf", dir / "usbfw.vt", error);
}

}  // namespace vt::flash
