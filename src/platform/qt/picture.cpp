#include "platform/qt/picture.h"

#include <algorithm>

namespace vt::platform::qt {

QImage ImageOf(const Bitmap& bitmap) {
  if (bitmap.width <= 0 || bitmap.height <= 0) return {};
  QImage image(bitmap.width, bitmap.height, QImage::Format_RGB32);
  const size_t needed = static_cast<size_t>(bitmap.width) * static_cast<size_t>(bitmap.height);
  for (int y = 0; y < bitmap.height; ++y) {
    for (int x = 0; x < bitmap.width; ++x) {
      const size_t at = static_cast<size_t>(y) * static_cast<size_t>(bitmap.width) +
                        static_cast<size_t>(x);
      // A short pixel list leaves the rest black rather than reading past it.
      const Rgb p = at < bitmap.pixels.size() && at < needed ? bitmap.pixels[at] : Rgb{};
      image.setPixel(x, y, qRgb(p.r, p.g, p.b));
    }
  }
  return image;
}

QPixmap PictureFor(const Bitmap& bitmap, const Rect& placePx) {
  const QImage image = ImageOf(bitmap);
  if (image.isNull()) return {};
  int factor = 1;
  if (placePx.width > 0 && placePx.height > 0) {
    factor = std::max(1, std::min(placePx.width / bitmap.width, placePx.height / bitmap.height));
  }
  return QPixmap::fromImage(image.scaled(bitmap.width * factor, bitmap.height * factor,
                                         Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

}  // namespace vt::platform::qt
