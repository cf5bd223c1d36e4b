#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "profiles/profile_model.h"

namespace vt::profiles {

// Servo units as held in word 116 of profile 1: bit 4 set means degrees.
inline bool UnitsAreDegrees(uint16_t units) { return (units & 0x10) != 0; }

// Pan next position and tilt positions (words 17, 19-23): 0 is "None".
std::string ServoPositionLabel(uint16_t v, bool degrees);

// Pan starting/idle position (word 33): no "None" case; S-pattern modes use
// half-size steps.
std::string PanStartLabel(uint16_t v, bool degrees, uint16_t controlMode);

// Apply times (words 18 and 37): "Always", tenths of a second, milliseconds.
std::string ApplyTimeLabel(uint16_t v);

// Pan total steps (word 34).
std::string StepCountLabel(uint16_t v);

// Zoom label: the zoom list entry's text with an "x".
std::string ZoomLabel(const std::string& zoomText);

// Label text of a servo or timing word (17-23, 33, 34, 37). Empty for words
// that have no such label (the zoom label needs the camera's list).
std::string ServoWordLabel(unsigned word, uint16_t v, bool degrees, uint16_t controlMode);

// The smallest one-byte value (0..255) whose ServoWordLabel is `text`, or
// nothing. Reads from labels formatted once, so reading a profile text does
// not format every value of every servo field again.
std::optional<uint8_t> ServoWordByteOfLabel(unsigned word, std::string_view text, bool degrees,
                                            uint16_t controlMode);

}  // namespace vt::profiles
