#include "editor/settings_editor.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include "profiles/enabling_rules.h"
#include "editor/headless_editor.h"

namespace vt::profiles {
namespace {

using platform::MessageAnswer;
using namespace ids;

constexpr int16_t kCanonCommon = 16385;  // PRG-A, ZM-A, CM-1, WB-A
constexpr int16_t kCanonA70 = 16401;     // PRG-B: no 'M' program
constexpr int16_t kCanonS1 = 16418;      // ZM-C: code 22 is "12"
constexpr int16_t kCanonIr = 813;        // no WB, ISO, program lists

void SetByte(StoredRecord& r, uint8_t w, uint16_t v) {
  const auto f = RecordFieldOfWord(w);
  ASSERT_TRUE(f.has_value()) << int(w);
  if (f->bytes == 2) {
    SetRecordU16(r, f->offset, v);
  } else {
    r[f->offset] = static_cast<uint8_t>(v);
  }
}

// A PTP-controlled panorama profile with every servo word set.
StoredRecord PanoramaRecord(int16_t camera = kCanonCommon) {
  StoredRecord r{};
  SetRecordU16(r, kCameraOffset, static_cast<uint16_t>(camera));
  SetByte(r, word::kControlMethod, 1);
  SetByte(r, word::kControlMode, 20);
  SetByte(r, word::kProgram, 2);
  SetByte(r, word::kTv, 56);
  SetByte(r, word::kAv, 32);
  SetByte(r, word::kIso, 72);
  SetByte(r, word::kFocus, 1);
  SetRecordU16(r, kZoomOffset, 3);  // "2" in ZM-A
  SetByte(r, word::kTotalShots, 10);
  SetByte(r, word::kInterval, 60);
  SetByte(r, word::kOptions, 0x0103);  // bits 0, 1, 8 are kept as loaded
  SetByte(r, word::kWhiteBalance, 1);
  SetByte(r, word::kImageSize, 0);
  SetByte(r, word::kQuality, 3);
  SetByte(r, 17, 160);
  SetByte(r, 18, 9);
  SetByte(r, 33, 150);
  SetByte(r, 34, 12);
  SetByte(r, 19, 150);
  SetByte(r, 20, 140);
  SetByte(r, 21, 0);
  SetByte(r, 22, 255);
  SetByte(r, 23, 1);
  SetByte(r, 37, 10);
  SetByte(r, 24, 150);
  SetByte(r, 25, 160);
  SetByte(r, 26, 165);
  SetByte(r, 27, 2);
  SetByte(r, 28, 5);
  SetByte(r, 29, 10);
  SetByte(r, 30, 0);
  SetByte(r, 31, 0);
  SetByte(r, 38, 9);
  return r;
}

class EditorTest : public ::testing::Test {
 protected:
  HeadlessEditor h;
  SettingsEditor& ed = h.Editor();
  platform::HeadlessUi& ui = h.Ui();
  platform::WindowHandle page = h.Page(0);

  std::string Text(uint16_t id, platform::WindowHandle w = 0) {
    return ui.GetText(w ? w : page, id);
  }
  std::string Selected(uint16_t id, platform::WindowHandle w = 0) {
    return ui.SelectedText(w ? w : page, id);
  }
  WordTable& Words(int set = 0) { return ed.TableOf(set); }
  int IndexOfText(uint16_t id, const std::string& text, platform::WindowHandle w = 0) {
    w = w ? w : page;
    for (int i = 0; i < ui.SelectorCount(w, id); ++i) {
      if (ui.ItemText(w, id, i) == text) return i;
    }
    return -1;
  }
};

TEST_F(EditorTest, LoadedProfileShowsItsTextsAndStoresBackUnchanged) {
  StoredRecord r = PanoramaRecord();
  SetRecordU16(r, kHeaderOffset, 0x1300);  // default profile #4, degrees
  ed.LoadProfileIntoEditor(r, 1);

  EXPECT_EQ(Selected(kCameraModel), "Canon PowerShot (Common)");
  EXPECT_EQ(Selected(kControlMethod), "USB/PTP");
  EXPECT_EQ(Selected(kControlMode), "Auto: Panorama (CH0=Pan)");
  EXPECT_EQ(Selected(kProgram), "Shutter priority");
  EXPECT_EQ(Selected(kDelayAfter), "1 s");
  EXPECT_EQ(Selected(kFingerHalf), "10\u00B0");
  EXPECT_EQ(Selected(kDefaultProfile, h.MainWindow()), "#4");
  EXPECT_TRUE(ui.IsMenuItemChecked(h.MainWindow(), resources::menu::kDegrees));
  EXPECT_FALSE(ui.IsMenuItemChecked(h.MainWindow(), resources::menu::kMilliseconds));
  EXPECT_EQ(Words()[word::kDefaultProfile], 3);
  EXPECT_EQ(Words()[word::kServoUnits], 16);

  EXPECT_EQ(Text(LabelOf(kPanNextBar)), "9\u00B0");
  EXPECT_EQ(Text(LabelOf(kPanApplyBar)), "0.9s");
  EXPECT_EQ(Text(LabelOf(kPanStartBar)), "0\u00B0");
  EXPECT_EQ(Text(LabelOf(kPanStepsBar)), "12");
  EXPECT_EQ(Text(LabelOf(kTiltFirstBar)), "-0\u00B0");
  EXPECT_EQ(Text(LabelOf(kTiltFirstBar + 2)), "None");
  EXPECT_EQ(Text(LabelOf(kTiltApplyBar)), "10ms");
  EXPECT_EQ(Text(kZoomLabel), "2x");
  EXPECT_EQ(ui.TrackPos(page, kZoomBar), 3);
  EXPECT_EQ(ui.TrackPos(page, kTiltFirstBar + 3), 255);
  EXPECT_EQ(Text(kStartCaption), "Starting Position");

  // Panorama with PTP and shutter priority.
  EXPECT_TRUE(ui.IsEnabled(page, kPanStepsBar));
  EXPECT_FALSE(ui.IsEnabled(page, kTiltFirstBar));
  EXPECT_FALSE(ui.IsEnabled(page, kInterval));
  EXPECT_TRUE(ui.IsEnabled(page, kTv));
  EXPECT_FALSE(ui.IsEnabled(page, kAv));
  EXPECT_FALSE(ui.IsEnabled(page, kFingerIdle));
  EXPECT_FALSE(ui.IsEnabled(page, kBatteryCutoff));  // no R-board attached

  const StoredRecord back = WordsToRecord(Words(), 1);
  EXPECT_EQ(back, r);
}

TEST_F(EditorTest, UnknownCodesFallBackToTheFirstItemAndAreStoredSo) {
  StoredRecord r = PanoramaRecord(1234);  // no such camera
  ed.LoadProfileIntoEditor(r, 2);
  const auto p2 = h.Page(1);
  EXPECT_EQ(ui.SelectedText(p2, kCameraModel), "- Not Selected -");
  EXPECT_EQ(Words(1)[word::kCamera], 0xFFFF);
  // "- Not Selected -" has no lists: the words of empty selectors become 0xFFFF.
  EXPECT_EQ(ui.SelectorCount(p2, kControlMethod), 0);
  EXPECT_EQ(Words(1)[word::kControlMethod], 0xFFFF);
  EXPECT_EQ(Words(1)[word::kWhiteBalance], 0xFFFF);

  // A code missing from a list selects and stores the list's first entry.
  StoredRecord odd = PanoramaRecord();
  SetByte(odd, word::kAv, 33);       // not in AV
  SetByte(odd, word::kPause, 200);   // not in PAUSE
  ed.LoadProfileIntoEditor(odd, 3);
  EXPECT_EQ(Words(2)[word::kAv], 16);
  EXPECT_EQ(ui.SelectedText(h.Page(2), kAv), "1.4");
  EXPECT_EQ(Words(2)[word::kPause], 0);
}

TEST_F(EditorTest, ZoomCodesMapThroughTheCameraList) {
  StoredRecord r = PanoramaRecord(kCanonS1);
  SetRecordU16(r, kZoomOffset, 22);
  ed.LoadProfileIntoEditor(r, 1);
  EXPECT_EQ(Words()[word::kZoom], 12);
  EXPECT_EQ(Text(kZoomLabel), "12x");
  EXPECT_EQ(ui.TrackRange(page, kZoomBar), std::make_pair(0, 12));
  EXPECT_EQ(RecordU16(WordsToRecord(Words(), 1), kZoomOffset), 22);

  // Moving the zoom bar stores the position and relabels.
  ASSERT_TRUE(ui.UserMoveTrack(page, kZoomBar, 2));
  EXPECT_EQ(Words()[word::kZoom], 2);
  EXPECT_EQ(Text(kZoomLabel), "1.5x");

  // While the Debug tab is current the zoom label is left alone.
  ed.SetCurrentSet(kDebugSetIndex);
  ed.RefreshField(page, Words(), word::kZoom, kShowLabelsAndSelectors);
  Words()[word::kZoom] = 5;
  ed.RefreshField(page, Words(), word::kZoom, kShowLabelsAndSelectors);
  EXPECT_EQ(Text(kZoomLabel), "1.5x");
}

TEST_F(EditorTest, EditsChangeWordsAndLabels) {
  StoredRecord r = PanoramaRecord();
  SetRecordU16(r, kHeaderOffset, 0x1000);  // degrees
  ed.LoadProfileIntoEditor(r, 1);
  // Track bar: every move but the final thumb position and end-of-scroll.
  ASSERT_TRUE(ui.UserMoveTrack(page, kPanNextBar, 170));
  EXPECT_EQ(Words()[17], 170);
  EXPECT_EQ(Text(LabelOf(kPanNextBar)), "18\u00B0");
  ASSERT_TRUE(ui.UserMoveTrack(page, kPanNextBar, 100, platform::notify::kTbThumbPosition));
  EXPECT_EQ(Words()[17], 170);

  // Selector: control mode 11 switches the servo controls.
  const int radio = IndexOfText(kControlMode, "Manual: 4/8/12-Button Radio (CH0=Radio, CH1=Tilt, CH2=Pan)");
  ASSERT_GE(radio, 0);
  ASSERT_TRUE(ui.UserSelect(page, kControlMode, radio));
  EXPECT_EQ(Words()[word::kControlMode], 11);
  EXPECT_TRUE(ui.IsEnabled(page, kTiltFirstBar + 3));
  EXPECT_FALSE(ui.IsEnabled(page, kTiltFirstBar + 4));
  EXPECT_FALSE(ui.IsEnabled(page, kTotalShots));

  // S-pattern mode relabels the pan start in half steps.
  ASSERT_TRUE(ui.UserMoveTrack(page, kPanStartBar, 170));
  EXPECT_EQ(Text(LabelOf(kPanStartBar)), "18\u00B0");
  const int sPattern = IndexOfText(kControlMode, "Auto/RC: HoVer 'S'-pattern motion (CH0=Radio, CH1=Tilt, CH2=Pan)");
  ASSERT_TRUE(ui.UserSelect(page, kControlMode, sPattern));
  EXPECT_EQ(Text(LabelOf(kPanStartBar)), "9\u00B0");

  // Check box: the 360° option renames the start position and, outside
  // modes 11, 29 and 38, disables the total steps.
  ASSERT_TRUE(ui.UserSelect(page, kControlMode, IndexOfText(kControlMode, "Auto: Panorama (CH0=Pan)")));
  ASSERT_TRUE(ui.UserClick(page, kOption360Box));
  EXPECT_EQ(Words()[word::kOptions], 0x0107);
  EXPECT_EQ(Text(kStartCaption), "Idle Position");
  EXPECT_FALSE(ui.IsEnabled(page, kPanStepsBar));
  EXPECT_FALSE(ui.IsEnabled(page, LabelOf(kPanStepsBar)));
  ASSERT_TRUE(ui.UserClick(page, kOption360Box));
  EXPECT_EQ(Words()[word::kOptions], 0x0103);
  EXPECT_TRUE(ui.IsEnabled(page, kPanStepsBar));

  // The default profile lives in profile 1's table.
  ASSERT_TRUE(ui.UserSelect(h.MainWindow(), kDefaultProfile, 5));
  EXPECT_EQ(Words()[word::kDefaultProfile], 5);
}

TEST_F(EditorTest, EditsGoToThePageThatWasEdited) {
  ed.LoadProfileIntoEditor(PanoramaRecord(), 1);
  ed.LoadProfileIntoEditor(PanoramaRecord(), 4);
  h.SelectSet(3);
  ASSERT_TRUE(ui.UserMoveTrack(h.Page(3), kPanApplyBar, 3));
  EXPECT_EQ(Words(3)[18], 3);
  EXPECT_EQ(Words(0)[18], 9);
}

TEST_F(EditorTest, CameraChangeRefillsListsAndStoresFallbacks) {
  StoredRecord r = PanoramaRecord();
  SetByte(r, word::kProgram, 4);  // 'M' settings, missing from the A70's list
  ed.LoadProfileIntoEditor(r, 1);
  ASSERT_EQ(Words()[word::kProgram], 4);

  ASSERT_TRUE(ui.UserSelect(page, kCameraModel, IndexOfText(kCameraModel, "Canon PowerShot A70")));
  EXPECT_EQ(Words()[word::kCamera], static_cast<uint16_t>(kCanonA70));
  EXPECT_EQ(Words()[word::kProgram], 1);
  EXPECT_EQ(Selected(kProgram), "Auto");
  EXPECT_EQ(Words()[word::kZoom], 0);

  // A camera without white balance, program and ISO lists: the selectors are
  // empty and their words 0xFFFF; IR is not PTP, so the PTP-only controls go
  // grey except the channel-0 wait, and the finger servo stays off.
  ASSERT_TRUE(ui.UserSelect(page, kCameraModel, IndexOfText(kCameraModel, "Any Canon with IR")));
  EXPECT_EQ(ui.SelectorCount(page, kWhiteBalance), 0);
  EXPECT_EQ(Words()[word::kWhiteBalance], 0xFFFF);
  EXPECT_EQ(Words()[word::kProgram], 0xFFFF);
  EXPECT_EQ(Words()[word::kControlMethod], 2);
  EXPECT_EQ(RecordU16(WordsToRecord(Words(), 1), 34), 0xFFFF);
  for (uint16_t id : {kProgram, kFocus, kImageSize, kQuality, kWhiteBalance, kZoomBar, kTv, kAv}) {
    EXPECT_FALSE(ui.IsEnabled(page, id)) << std::hex << id;
  }
  EXPECT_TRUE(ui.IsEnabled(page, 0x700D));
  EXPECT_FALSE(ui.IsEnabled(page, 0x780D));

  ASSERT_TRUE(ui.UserSelect(page, kControlMethod, IndexOfText(kControlMethod, "Servo:CH3")));
  EXPECT_EQ(Words()[word::kControlMethod], 9);
  EXPECT_TRUE(ui.IsEnabled(page, kFingerIdle));

  // Re-selecting the same camera changes nothing.
  Words()[word::kZoom] = 4;
  ASSERT_TRUE(ui.UserSelect(page, kCameraModel, IndexOfText(kCameraModel, "Any Canon with IR")));
  EXPECT_EQ(Words()[word::kZoom], 4);
  (void)kCanonIr;
}

TEST_F(EditorTest, ServoUnitsRedrawEveryPage) {
  for (int n = 1; n <= kProfileCount; ++n) ed.LoadProfileIntoEditor(PanoramaRecord(), n);
  ASSERT_TRUE(ui.UserChooseMenu(h.MainWindow(), resources::menu::kMilliseconds));
  EXPECT_EQ(Words()[word::kServoUnits], 0);
  EXPECT_TRUE(ui.IsMenuItemChecked(h.MainWindow(), resources::menu::kMilliseconds));
  for (int i = 0; i < kProfileCount; ++i) {
    EXPECT_EQ(ui.GetText(h.Page(i), LabelOf(kPanNextBar)), "1.60ms") << i;
    EXPECT_EQ(ui.GetText(h.Page(i), LabelOf(kTiltFirstBar)), "1.50ms") << i;
  }
  ASSERT_TRUE(ui.UserChooseMenu(h.MainWindow(), resources::menu::kDegrees));
  for (int i = 0; i < kProfileCount; ++i) {
    EXPECT_EQ(ui.GetText(h.Page(i), LabelOf(kPanNextBar)), "9\u00B0") << i;
  }
  EXPECT_EQ(StoreEditorProfiles(ed.Tables())[1], 0x10);  // degrees in profile 1's header
}

TEST_F(EditorTest, ServoDefaultsAskAndFollowTheControlMode) {
  ed.LoadProfileIntoEditor(PanoramaRecord(), 1);
  const WordTable before = Words();

  h.Script().QueueAnswer(MessageAnswer::No);
  ASSERT_TRUE(ui.UserClick(page, resources::profile_page::kDefaults));
  EXPECT_EQ(Words(), before);
  ASSERT_EQ(h.Script().MessageBoxes().size(), 1u);
  EXPECT_EQ(h.Script().MessageBoxes()[0].request.caption, "Servos defaults");

  h.Script().QueueAnswer(MessageAnswer::Yes);
  ASSERT_TRUE(ui.UserClick(page, resources::profile_page::kDefaults));
  EXPECT_EQ(Words()[17], 160);
  EXPECT_EQ(Words()[21], 140);
  EXPECT_EQ(Words()[37], 7);
  EXPECT_EQ(Words()[26], 165);
  EXPECT_EQ(Words()[29], 2);
  EXPECT_EQ(Words()[27], before[27]);
  EXPECT_EQ(Words()[word::kOptions], before[word::kOptions] | kOption360);
  EXPECT_EQ(Text(kStartCaption), "Idle Position");
  EXPECT_EQ(ui.TrackPos(page, kTiltFirstBar + 2), 140);
  EXPECT_EQ(Text(LabelOf(kTiltFirstBar + 3)), "None");

  // Mode 11 touches only the pan and tilt words it names.
  StoredRecord radio = PanoramaRecord();
  SetByte(radio, word::kControlMode, 11);
  ed.LoadProfileIntoEditor(radio, 2);
  const WordTable radioBefore = Words(1);
  h.SelectSet(1);
  h.Script().QueueAnswer(MessageAnswer::Yes);
  ASSERT_TRUE(ui.UserClick(h.Page(1), resources::profile_page::kDefaults));
  EXPECT_EQ(Words(1)[17], 165);
  EXPECT_EQ(Words(1)[22], 152);
  EXPECT_EQ(Words(1)[37], 1);
  for (uint8_t w = 23; w <= 29; ++w) EXPECT_EQ(Words(1)[w], radioBefore[w]) << int(w);
  EXPECT_EQ(Words(1)[word::kOptions], radioBefore[word::kOptions]);
  EXPECT_EQ(Words(1)[34], radioBefore[34]);
}

TEST_F(EditorTest, ReceiverModesSwitchTheMessagePollOn) {
  StoredRecord r = PanoramaRecord();
  SetByte(r, word::kControlMode, 64);
  ASSERT_FALSE(ui.IsChecked(h.MainWindow(), resources::main_window::kGetMessages));
  ed.LoadProfileIntoEditor(r, 1);
  EXPECT_TRUE(ui.IsChecked(h.MainWindow(), resources::main_window::kGetMessages));
}

}  // namespace
}  // namespace vt::profiles
