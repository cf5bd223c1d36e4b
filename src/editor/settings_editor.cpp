#include "editor/settings_editor.h"

#include <string>

#include "profiles/enabling_rules.h"
#include "profiles/value_labels.h"

namespace vt::profiles {

using platform::ControlClass;
using platform::WindowHandle;

SettingsEditor::SettingsEditor(platform::Ui& ui, const EditorWindows& windows)
    : ui_(ui), windows_(windows) {}

WindowHandle SettingsEditor::PageOf(int setIndex) const {
  if (setIndex >= 0 && setIndex < kProfileCount) return windows_.sets[static_cast<size_t>(setIndex)];
  if (setIndex == kDebugSetIndex) return windows_.debug;
  return platform::kNoWindow;
}

int SettingsEditor::SetIndexOf(WindowHandle window) const {
  if (window == platform::kNoWindow) return -1;
  for (int i = 0; i < kProfileCount; ++i) {
    if (windows_.sets[static_cast<size_t>(i)] == window) return i;
  }
  return window == windows_.debug ? kDebugSetIndex : -1;
}

WordTable& SettingsEditor::TableOf(int setIndex) {
  if (setIndex >= 0 && setIndex < kProfileCount) return tables_[static_cast<size_t>(setIndex)];
  return debugTable_;
}

void SettingsEditor::SetCurrentSet(int setIndex) {
  if (setIndex >= 0 && setIndex <= kDebugSetIndex) currentSet_ = setIndex;
}

// ---- Filling selectors --------------------------------------------------------

void SettingsEditor::FillSelector(WindowHandle page, uint16_t selectorId, const ChoiceList* list,
                                  std::string_view suffix) {
  ui_.ClearSelector(page, selectorId);
  if (list == nullptr) return;
  for (const ChoiceEntry& entry : list->entries) {
    ui_.AddSelectorItem(page, selectorId, ShownChoiceText(entry.text, suffix), entry.code);
  }
  ui_.SelectIndex(page, selectorId, 0);
}

void SettingsEditor::FillCameraModelSelector(WindowHandle page, int /*profileIndex*/) {
  // The record header of each profile is rebuilt from its number whenever the
  // records are stored, so only the selector needs filling here.
  ui_.ClearSelector(page, ids::kCameraModel);
  for (const CameraModel& camera : CameraModels()) {
    ui_.AddSelectorItem(page, ids::kCameraModel, std::string(camera.name), camera.code);
  }
  ui_.SelectIndex(page, ids::kCameraModel, 0);
}

void SettingsEditor::FillCameraSelectors(WindowHandle page, size_t cameraIndex) {
  const auto cameras = CameraModels();
  const CameraModel& camera = cameras[cameraIndex < cameras.size() ? cameraIndex : 0];
  using namespace ids;
  for (uint16_t id : {kProgram, kControlMethod, kFocus, kControlMode, kTv, kAv, kIso, kTotalShots,
                      kInterval, kWhiteBalance, kImageSize, kQuality, kStartupDelay}) {
    ui_.ClearSelector(page, id);
  }
  FillSelector(page, kIso, camera.iso, "");
  FillSelector(page, kProgram, camera.program, "");
  FillSelector(page, kTv, camera.tv, "");
  FillSelector(page, kAv, camera.av, "");
  FillSelector(page, kFocus, camera.focus, "");
  FillSelector(page, kControlMethod, camera.controlMethod, "");
  FillSelector(page, kControlMode, camera.controlMode, "");
  FillSelector(page, kWhiteBalance, camera.whiteBalance, "");
  FillSelector(page, kImageSize, camera.imageSize, "");
  FillSelector(page, kQuality, camera.quality, "");
  FillSelector(page, kTotalShots, &kShotsList, "");
  FillSelector(page, kInterval, &kIntervalList, "");
  FillSelector(page, kStartupDelay, &kStartupList, "");
  const int zoomMax = camera.zoom != nullptr && camera.zoom->size() > 0
                          ? static_cast<int>(camera.zoom->size()) - 1
                          : 0;
  ui_.SetTrackRange(page, kZoomBar, 0, zoomMax);
  ui_.SetTrackPos(page, kZoomBar, 0);
}

void SettingsEditor::FillFixedSelectors(WindowHandle page) {
  using namespace ids;
  FillSelector(page, kBatteryCutoff, &kBatteryList, "");
  for (uint16_t id : {kFingerIdle, kFingerHalf, kFingerFull}) {
    FillSelector(page, id, &kAnglesList, "\u00B0");
  }
  FillSelector(page, kShotsAtStop, &kNShotsList, "");
  FillSelector(page, kDelayBefore, &kDelaysList, " s");
  FillSelector(page, kDelayAfter, &kDelaysList, " s");
  FillSelector(page, kPause, &kPauseList, "");
}

void SettingsEditor::SelectByCode(WindowHandle page, uint16_t selectorId, uint16_t& word) {
  if (!ui_.HasControl(page, selectorId)) return;
  const int count = ui_.SelectorCount(page, selectorId);
  if (count <= 0) {
    word = 0xFFFF;
    return;
  }
  for (int i = 0; i < count; ++i) {
    const auto data = ui_.ItemData(page, selectorId, i);
    if (data && static_cast<uint16_t>(*data) == word) {
      ui_.SelectIndex(page, selectorId, i);
      return;
    }
  }
  word = static_cast<uint16_t>(ui_.ItemData(page, selectorId, 0).value_or(0xFFFF));
  ui_.SelectIndex(page, selectorId, 0);
}

// ---- Showing a word -----------------------------------------------------------

void SettingsEditor::RefreshField(WindowHandle page, WordTable& words, uint8_t w, unsigned parts) {
  if (w >= kWordsPerProfile) return;
  if (page == windows_.mainWindow) {
    ShowOnMainWindow(words, w, parts);
    return;
  }
  if (parts & kShowCheckBoxes) {
    ShowCheckBoxes(page, words, w);
    if (w == word::kOptions) {
      for (const Enablement& e : ControlMethodEnablement(words[word::kControlMethod])) {
        Enable(page, e.controlId, e.enabled);
      }
      if (!(parts & kShowLabelsAndSelectors)) ShowLabelsAndSelectors(page, words, w);
    }
  }
  if (parts & kShowTrackBars) ShowTrackBars(page, words, w);
  if (parts & kShowLabelsAndSelectors) ShowLabelsAndSelectors(page, words, w);
}

void SettingsEditor::ShowOnMainWindow(WordTable& words, uint8_t w, unsigned parts) {
  const WindowHandle main = windows_.mainWindow;
  if (w == word::kServoUnits && (parts & kShowCheckBoxes)) {
    ui_.CheckMenuItem(main, resources::menu::kMilliseconds, words[w] == 0);
    ui_.CheckMenuItem(main, resources::menu::kDegrees, words[w] != 0);
  }
  if (w == word::kDefaultProfile && (parts & kShowLabelsAndSelectors)) {
    SelectByCode(main, ids::kDefaultProfile, words[w]);
  }
}

void SettingsEditor::ShowCheckBoxes(WindowHandle page, const WordTable& words, uint8_t w) {
  for (uint16_t id : ui_.ControlIds(page)) {
    const FieldDescriptor f = DecodeControlId(id);
    if (f.field != w || f.kind != ControlKind::CheckBox || ui_.ClassOf(page, id) != ControlClass::CheckBox) continue;
    ui_.SetCheck(page, id, (words[w] & FieldBits(f.shift, f.widthCode)) != 0);
  }
}

void SettingsEditor::ShowTrackBars(WindowHandle page, const WordTable& words, uint8_t w) {
  for (uint16_t id : ui_.ControlIds(page)) {
    const FieldDescriptor f = DecodeControlId(id);
    if (f.field != w || f.kind != ControlKind::TrackBar || ui_.ClassOf(page, id) != ControlClass::TrackBar) continue;
    ui_.SetTrackPos(page, id, words[w]);
  }
}

void SettingsEditor::ShowLabelsAndSelectors(WindowHandle page, WordTable& words, uint8_t w) {
  using namespace ids;
  if (w == word::kOptions) {
    const bool is360 = (words[w] & kOption360) != 0;
    ui_.SetText(page, kStartCaption, is360 ? "Idle Position" : "Starting Position");
    if (const auto steps = TotalStepsEnabled(words[word::kControlMode], words[w])) {
      Enable(page, kPanStepsBar, *steps);
      Enable(page, LabelOf(kPanStepsBar), *steps);
    }
  }
  const std::vector<uint16_t> controls = ui_.ControlIds(page);
  for (uint16_t id : controls) {
    const FieldDescriptor f = DecodeControlId(id);
    if (f.field == w && f.kind == ControlKind::Display && ui_.ClassOf(page, id) == ControlClass::Static) {
      ShowLabel(page, words, id, w);
    }
  }
  if (w == word::kControlMode) ApplyControlMode(page, words[w]);
  if (w == word::kBatteryCutoff) {
    Enable(page, kBatteryCutoff, identity_ != nullptr && identity_->IsVariantR());
  }
  for (uint16_t id : controls) {
    const FieldDescriptor f = DecodeControlId(id);
    if (f.field != w || f.kind != ControlKind::Selector || ui_.ClassOf(page, id) != ControlClass::ComboBox) continue;
    SelectByCode(page, id, words[w]);
  }
  if (w == word::kProgram) {
    for (const Enablement& e : ExposureEnablement(words[w], words[word::kControlMethod])) {
      Enable(page, e.controlId, e.enabled);
    }
  }
  const bool finger = FingerServoEnabled(words[word::kControlMethod]);
  for (uint16_t id : {kFingerIdle, kFingerHalf, kFingerFull}) Enable(page, id, finger);
}

void SettingsEditor::ShowLabel(WindowHandle page, const WordTable& words, uint16_t id, uint8_t w) {
  const uint16_t v = words[w];
  if (w == word::kZoom) {
    // Only the page on screen shows its zoom text, and only for a camera
    // that has a zoom list.
    if (currentSet_ >= kProfileCount) return;
    const ChoiceList* zoom = PageCamera(page).zoom;
    if (zoom == nullptr || v >= zoom->size()) return;
    ui_.SetText(page, id, ZoomLabel(std::string(zoom->entries[v].text)));
    return;
  }
  const std::string text = ServoWordLabel(w, v, Degrees(), words[word::kControlMode]);
  if (!text.empty()) ui_.SetText(page, id, text);
}

void SettingsEditor::ApplyControlMode(WindowHandle page, uint16_t mode) {
  for (const Enablement& e : ControlModeEnablement(mode)) Enable(page, e.controlId, e.enabled);
  if (ControlModeWantsMessages(mode) && windows_.mainWindow != platform::kNoWindow) {
    ui_.SetCheck(windows_.mainWindow, resources::main_window::kGetMessages, true);
    ui_.SendCommand(windows_.mainWindow, resources::main_window::kGetMessages);
  }
}

void SettingsEditor::Enable(WindowHandle page, uint16_t id, bool enabled) {
  ui_.Enable(page, id, enabled);
}

const CameraModel& SettingsEditor::PageCamera(WindowHandle page) const {
  const auto data = ui_.SelectedData(page, ids::kCameraModel);
  const auto cameras = CameraModels();
  if (!data) return cameras[0];
  return cameras[CameraIndexOfCode(static_cast<int16_t>(*data))];
}

void SettingsEditor::SetAndShow(WindowHandle page, WordTable& words, uint8_t w, uint16_t v,
                                unsigned parts) {
  words[w] = v;
  RefreshField(page, words, w, parts);
}

}  // namespace vt::profiles
