#pragma once

#include <windows.h>

#include "platform/ui/dialog_template.h"

namespace vt::platform::win32 {

// The whole-number factor a picture is enlarged by to fill a control of
// this size in pixels (at least 1), so LEDs stay crisp at any DPI.
int PictureScale(const Bitmap& bitmap, int widthPx, int heightPx);

// A device-independent bitmap of the picture, enlarged by PictureScale;
// the caller owns it (DeleteObject). nullptr for an empty picture.
HBITMAP MakePicture(const Bitmap& bitmap, int widthPx, int heightPx);

}  // namespace vt::platform::win32
