#include "platform/ui_windows/picture_bitmap.h"

#include <algorithm>
#include <cstring>

namespace vt::platform::win32 {

int PictureScale(const Bitmap& bitmap, int widthPx, int heightPx) {
  if (bitmap.width <= 0 || bitmap.height <= 0 || widthPx <= 0 || heightPx <= 0) return 1;
  return std::max(1, std::min(widthPx / bitmap.width, heightPx / bitmap.height));
}

HBITMAP MakePicture(const Bitmap& bitmap, int widthPx, int heightPx) {
  if (bitmap.width <= 0 || bitmap.height <= 0 || bitmap.width > 4096 || bitmap.height > 4096) {
    return nullptr;
  }
  const int scale = PictureScale(bitmap, widthPx, heightPx);
  const int width = bitmap.width * scale;
  const int height = bitmap.height * scale;
  // 24 bits per pixel: a 32-bit picture would be copied by the version 6
  // static control and leak the copy.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP result = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (result == nullptr || bits == nullptr) return result;
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  auto* rows = static_cast<uint8_t*>(bits);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = rows + static_cast<size_t>(y) * stride;
    std::memset(row, 0, stride);
    for (int x = 0; x < width; ++x) {
      const size_t at = static_cast<size_t>(y / scale) * static_cast<size_t>(bitmap.width) +
                        static_cast<size_t>(x / scale);
      // A short pixel list leaves the rest black rather than reading past it.
      const Rgb p = at < bitmap.pixels.size() ? bitmap.pixels[at] : Rgb{};
      row[x * 3 + 0] = p.b;
      row[x * 3 + 1] = p.g;
      row[x * 3 + 2] = p.r;
    }
  }
  GdiFlush();
  return result;
}

}  // namespace vt::platform::win32
