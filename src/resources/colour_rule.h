#pragma once

#include "platform/ui/ui_types.h"

// The panel's colour scheme for static controls, shared by the templates
// and the logic that recolours the status field.
namespace vt::resources::colours {

// Group box captions and the "Note:" label: blue text on the button face.
inline constexpr platform::Rgb kCaptionText{10, 0, 200};
inline constexpr platform::Rgb kLedCaption{150, 195, 155};
inline constexpr platform::Rgb kPanLabels{217, 230, 235};
inline constexpr platform::Rgb kTiltLabels{217, 235, 219};
// The status field by the error flag of the last status shown.
inline constexpr platform::Rgb kStatusError{255, 210, 210};
inline constexpr platform::Rgb kStatusOk{195, 255, 190};

inline platform::ControlColours Caption() {
  platform::ControlColours c;
  c.text = kCaptionText;
  c.systemFaceBackground = true;
  return c;
}

inline platform::ControlColours Background(platform::Rgb rgb) {
  platform::ControlColours c;
  c.background = rgb;
  return c;
}

inline platform::ControlColours Status(bool error) {
  return Background(error ? kStatusError : kStatusOk);
}

}  // namespace vt::resources::colours
