#include "flash/image_converter.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "flash/stored_image.h"

namespace vt::flash {

bool ConvertImage(const std::filesystem::path& input, const std::filesystem::path& output) {
  std::ifstream in(input, std::ios::binary);
  if (!in) return false;
  std::vector<uint8_t> plain((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (plain.empty()) return false;
  const auto stored = EncodeStoredImage(plain);
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(stored.data()), static_cast<std::streamsize>(stored.size()));
  return static_cast<bool>(out);
}

bool ConvertImageFile(const std::filesystem::path& dir) {
  return ConvertImage(dir / "usbfw.elf", dir / "usbfw.vt");
}

}  // namespace vt::flash
