#pragma once

#include <QImage>
#include <QPixmap>

#include "platform/ui/dialog_template.h"

namespace vt::platform::qt {

// The bitmap resource as an image, pixel for pixel.
QImage ImageOf(const Bitmap& bitmap);

// The bitmap enlarged by the largest whole factor that fits the control's
// place (in pixels), so tiny pictures stay crisp at any dialog font size.
QPixmap PictureFor(const Bitmap& bitmap, const Rect& placePx);

}  // namespace vt::platform::qt
