#include "profiles/value_labels.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace vt::profiles {
namespace {

struct LabelCase {
  unsigned word;
  uint16_t v;
  bool degrees;
  uint16_t mode;
  const char* text;
};

TEST(ValueLabels, KnownValues) {
  const LabelCase cases[] = {
      {17, 0, false, 0, "None"},
      {17, 0, true, 0, "None"},
      {19, 150, false, 0, "1.50ms"},
      {19, 150, true, 0, "-0\u00B0"},  // the centre of a tilt position reads -0
      {23, 160, true, 0, "9\u00B0"},    // 10 x 0.9 must give 9, not 8
      {20, 140, true, 0, "-9\u00B0"},
      {21, 151, true, 0, "0\u00B0"},    // 0.9 truncates to 0
      {22, 255, true, 0, "94\u00B0"},
      {22, 1, true, 0, "-134\u00B0"},
      {17, 255, false, 0, "2.55ms"},
      {33, 0, false, 0, "0.00ms"},      // no "None" for the starting position
      {33, 0, true, 0, "-135\u00B0"},
      {33, 150, true, 0, "0\u00B0"},    // while the pan start centre reads 0
      {33, 149, true, 0, "-0\u00B0"},
      {33, 150, false, 29, "0.75ms"},
      {33, 150, false, 38, "0.75ms"},
      {33, 170, true, 29, "9\u00B0"},   // 20 x 0.45
      {33, 130, true, 38, "-9\u00B0"},
      {33, 170, true, 28, "18\u00B0"},
      {18, 0, false, 0, "Always"},
      {37, 1, true, 0, "0.1s"},
      {37, 9, false, 0, "0.9s"},
      {18, 10, false, 0, "10ms"},
      {18, 255, true, 0, "255ms"},
      {34, 0, false, 0, "No limit"},
      {34, 37, true, 0, "37"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ServoWordLabel(c.word, c.v, c.degrees, c.mode), c.text)
        << "word " << c.word << " v " << c.v << " degrees " << c.degrees << " mode " << c.mode;
  }
  EXPECT_EQ(ServoWordLabel(9, 3, false, 0), "");
  EXPECT_EQ(ZoomLabel("1.5"), "1.5x");
}

// Reading a label back finds the smallest byte that shows it, in every
// context a servo word is shown in, exactly as formatting each byte in turn
// would; other words have no servo label to read.
TEST(ValueLabels, LabelsReadBackAsTheirFirstByte) {
  for (unsigned word : {17u, 18u, 19u, 20u, 21u, 22u, 23u, 33u, 34u, 37u}) {
    for (bool degrees : {false, true}) {
      for (uint16_t mode : {uint16_t{0}, uint16_t{29}, uint16_t{38}}) {
        for (unsigned v = 0; v <= 255; ++v) {
          const std::string label = ServoWordLabel(word, static_cast<uint16_t>(v), degrees, mode);
          unsigned first = 0;
          while (ServoWordLabel(word, static_cast<uint16_t>(first), degrees, mode) != label) ++first;
          const auto back = ServoWordByteOfLabel(word, label, degrees, mode);
          ASSERT_TRUE(back.has_value()) << word << " " << label;
          EXPECT_EQ(*back, first) << "word " << word << " v " << v << " degrees " << degrees << " mode " << mode;
        }
      }
    }
  }
  EXPECT_FALSE(ServoWordByteOfLabel(17, "2.56ms", false, 0).has_value());
  EXPECT_FALSE(ServoWordByteOfLabel(9, "", false, 0).has_value());
}

// Over the whole byte range: a millisecond label reads back as the pulse
// width, a degree label never grows in magnitude faster than the position and
// its sign follows the side of the centre.
TEST(ValueLabels, WholeDomainStaysConsistent) {
  for (unsigned v = 1; v <= 255; ++v) {
    const auto u = static_cast<uint16_t>(v);
    const std::string ms = ServoPositionLabel(u, false);
    ASSERT_EQ(ms.substr(ms.size() - 2), "ms");
    EXPECT_NEAR(std::atof(ms.c_str()), v * 0.01, 0.0051) << v;

    const std::string deg = ServoPositionLabel(u, true);
    ASSERT_EQ(deg.substr(deg.size() - 2), "\u00B0");
    const int shown = std::atoi(deg.c_str());
    const double exact = (static_cast<double>(v) - 150) * 0.9;
    EXPECT_LE(std::abs(shown), std::abs(exact) + 1e-9) << v;
    EXPECT_LT(std::abs(exact) - std::abs(shown), 1.0) << v;
    EXPECT_EQ(deg[0] == '-', v <= 150) << v;

    const std::string apply = ApplyTimeLabel(u);
    if (v <= 9) {
      EXPECT_EQ(apply, "0." + std::to_string(v) + "s");
    } else {
      EXPECT_EQ(apply, std::to_string(v) + "ms");
    }
  }
  for (unsigned v = 0; v <= 255; ++v) {
    const auto u = static_cast<uint16_t>(v);
    const std::string half = PanStartLabel(u, false, 29);
    EXPECT_NEAR(std::atof(half.c_str()), v * 0.005, 0.0051) << v;
    EXPECT_EQ(PanStartLabel(u, true, 38)[0] == '-', v < 150) << v;
  }
}

}  // namespace
}  // namespace vt::profiles
