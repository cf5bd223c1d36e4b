#include "profiles/enabling_rules.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace vt::profiles {
namespace {

using namespace ids;

std::set<uint16_t> EnabledIds(const std::vector<Enablement>& rule) {
  std::set<uint16_t> out;
  for (const auto& e : rule) {
    if (e.enabled) out.insert(e.controlId);
  }
  return out;
}

std::set<uint16_t> BarsWithLabels(std::initializer_list<uint16_t> bars) {
  std::set<uint16_t> out;
  for (uint16_t b : bars) {
    out.insert(b);
    out.insert(LabelOf(b));
  }
  return out;
}

std::set<uint16_t> Join(std::set<uint16_t> a, const std::set<uint16_t>& b) {
  a.insert(b.begin(), b.end());
  return a;
}

TEST(EnablingRules, ControlModeOverEveryCode) {
  const std::set<uint16_t> panorama = Join(BarsWithLabels({0x8711, 0x8712, 0x8722, 0x8721}),
                                           {0xC01B, 0xC01C, 0xC01D, 0xC00A, 0xC026});
  const std::set<uint16_t> hover =
      Join(panorama, BarsWithLabels({0x8713, 0x8714, 0x8715, 0x8716, 0x8717, 0x8725}));
  std::map<uint16_t, std::set<uint16_t>> expected = {
      {16, {0xC00B, 0xC00A, 0xC026}},
      {4, {0xC01B, 0xC01C, 0xC01D}},
      {15, {0xC01B, 0xC01C, 0xC01D}},
      {11, BarsWithLabels({0x8713, 0x8714, 0x8715, 0x8716, 0x8725, 0x8711, 0x8712, 0x8721})},
      {20, panorama},
  };
  for (uint16_t m : std::initializer_list<uint16_t>{18, 19, 21, 25, 28, 29, 37, 38}) expected[m] = hover;

  const size_t governed = ControlModeEnablement(0).size();
  EXPECT_EQ(governed, 26u);  // 2 selectors, 10 bars with their labels, 4 selectors
  for (unsigned mode = 0; mode <= 0xFFFF; ++mode) {
    const auto m = static_cast<uint16_t>(mode);
    const auto rule = ControlModeEnablement(m);
    ASSERT_EQ(rule.size(), governed);
    const auto it = expected.find(m);
    const std::set<uint16_t> want = it == expected.end() ? std::set<uint16_t>{} : it->second;
    ASSERT_EQ(EnabledIds(rule), want) << "mode " << mode;
  }
  for (uint16_t m : std::initializer_list<uint16_t>{1, 2, 3, 31, 41, 64}) EXPECT_TRUE(ControlModeWantsMessages(m));
  for (uint16_t m : std::initializer_list<uint16_t>{0, 4, 11, 16, 20, 29, 127}) EXPECT_FALSE(ControlModeWantsMessages(m));
}

TEST(EnablingRules, ControlMethodKeepsBatterySaverAlone) {
  for (unsigned method = 0; method <= 12; ++method) {
    const auto rule = ControlMethodEnablement(static_cast<uint16_t>(method));
    bool touches700D = false;
    for (const auto& e : rule) {
      EXPECT_EQ(e.enabled, method == 1) << std::hex << e.controlId;
      touches700D |= e.controlId == 0x700D;
    }
    EXPECT_EQ(touches700D, method == 1);
    EXPECT_EQ(rule.size(), method == 1 ? 12u : 11u);
    EXPECT_EQ(FingerServoEnabled(static_cast<uint16_t>(method)), method == 3 || method == 9);
  }
}

TEST(EnablingRules, ExposureFollowsProgramOnlyUnderPtp) {
  for (unsigned program = 0; program <= 255; ++program) {
    for (uint16_t method : std::initializer_list<uint16_t>{1, 2, 3}) {
      const auto rule = ExposureEnablement(static_cast<uint16_t>(program), method);
      std::map<uint16_t, bool> state;
      for (const auto& e : rule) state[e.controlId] = e.enabled;
      const unsigned f = method == 1 ? program : 0;
      const bool exposureProgram = f == 2 || f == 3 || f == 255;
      EXPECT_EQ(state.at(kTv), f == 2 || f == 255);
      EXPECT_EQ(state.at(kAv), f == 3 || f == 255);
      EXPECT_EQ(state.count(kIso) == 1, exposureProgram);
      if (exposureProgram) {
        EXPECT_TRUE(state.at(kIso) && state.at(kImageSize) && state.at(kQuality) &&
                    state.at(kWhiteBalance));
      }
    }
  }
}

TEST(EnablingRules, TotalStepsFollow360Option) {
  for (unsigned mode = 0; mode < 128; ++mode) {
    const auto m = static_cast<uint16_t>(mode);
    if (m == 11 || m == 29 || m == 38) {
      EXPECT_FALSE(TotalStepsEnabled(m, 0x4).has_value());
      continue;
    }
    EXPECT_EQ(TotalStepsEnabled(m, 0x4), false);
    EXPECT_EQ(TotalStepsEnabled(m, 0xFFFB), true);
  }
}

}  // namespace
}  // namespace vt::profiles
