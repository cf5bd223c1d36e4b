#pragma once

#include <QIcon>
#include <QImage>

namespace vt::platform::qt {

// The panel's icon, drawn at any size: a camera on a pan-tilt head with the
// pan arc below it (the same drawing as desktop/velotrack-panel.svg).
QImage DrawAppIcon(int size);
QIcon AppIcon();

}  // namespace vt::platform::qt
