// The three LED pictures, 7x8 pixels: lit green, lit red, dark.
#include "resources/templates.h"

namespace vt::resources {

namespace {

// '#' body, 'o' highlight, '.' background.
constexpr const char* kLedShape[8] = {
    "..###..",
    ".#o###.",
    "#oo####",
    "#o#####",
    "#######",
    "#######",
    ".#####.",
    "..###..",
};

constexpr platform::Rgb kBackground{240, 240, 240};

platform::Bitmap Led(uint16_t id, platform::Rgb body, platform::Rgb highlight) {
  platform::Bitmap b;
  b.id = id;
  b.width = 7;
  b.height = 8;
  for (const char* row : kLedShape) {
    for (int x = 0; x < 7; ++x) {
      const char p = row[x];
      b.pixels.push_back(p == '#' ? body : p == 'o' ? highlight : kBackground);
    }
  }
  return b;
}

}  // namespace

std::vector<platform::Bitmap> LedBitmaps() {
  return {
      Led(kLedGreen, {0, 190, 40}, {170, 255, 170}),
      Led(kLedRed, {225, 20, 20}, {255, 175, 175}),
      Led(kLedDark, {120, 120, 120}, {175, 175, 175}),
  };
}

}  // namespace vt::resources
