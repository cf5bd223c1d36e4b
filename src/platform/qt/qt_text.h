#pragma once

#include <QString>
#include <string>

#include "platform/ui/ui_types.h"

class QColor;

namespace vt::platform::qt {

// The panel's texts are UTF-8.
inline QString ToQ(const std::string& text) { return QString::fromStdString(text); }
inline std::string FromQ(const QString& text) { return text.toStdString(); }

}  // namespace vt::platform::qt
