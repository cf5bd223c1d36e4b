#pragma once

class QWidget;

namespace vt::platform::qt {

// Sets the keyboard focus chain of a window's controls (its pages' controls
// included) to reading order: a group box's controls one after the other,
// and among controls, group boxes and pages alike, top to bottom and left
// to right along a row; nothing comes before what sits above it in the same
// column. Templates list controls in whatever order they were drawn.
void ArrangeTabOrder(QWidget& client);

// Gives each edit, drop-down list, slider and list without a caption of its
// own the static text to its left on the same row (or right above it) as
// its label (QLabel buddy), which names it for screen readers.
void AttachLabels(QWidget& client);

}  // namespace vt::platform::qt
