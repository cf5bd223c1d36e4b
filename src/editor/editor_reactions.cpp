// Loading profiles into the editor and the editor's reactions to the user.

#include <initializer_list>

#include "profiles/enabling_rules.h"
#include "editor/settings_editor.h"

namespace vt::profiles {

using platform::ControlClass;
using platform::WindowHandle;

namespace {

constexpr unsigned kBarsLabels = kShowTrackBars | kShowLabelsAndSelectors;

uint16_t FieldOf(const StoredRecord& record, uint8_t w) {
  const auto field = RecordFieldOfWord(w);
  if (!field) return 0;
  if (field->bytes == 2) return RecordU16(record, field->offset);
  return record[field->offset];
}

}  // namespace

void SettingsEditor::LoadProfileIntoEditor(const StoredRecord& record, int profileNumber) {
  if (profileNumber < 1 || profileNumber > kProfileCount) return;
  const WindowHandle page = windows_.sets[static_cast<size_t>(profileNumber - 1)];
  WordTable& words = tables_[static_cast<size_t>(profileNumber - 1)];

  FillCameraModelSelector(page, profileNumber - 1);
  if (profileNumber == 1) {
    const uint16_t header = RecordU16(record, kHeaderOffset);
    words[word::kDefaultProfile] = static_cast<uint16_t>((header >> 8) & 0x0F);
    words[word::kServoUnits] = static_cast<uint16_t>((header >> 8) & 0xF0);
    RefreshField(windows_.mainWindow, words, word::kServoUnits, kShowCheckBoxes);
    RefreshField(windows_.mainWindow, words, word::kDefaultProfile, kShowLabelsAndSelectors);
  }

  const auto cameraCode = static_cast<int16_t>(RecordU16(record, kCameraOffset));
  const size_t cameraIndex = CameraIndexOfCode(cameraCode);
  words[word::kCamera] = static_cast<uint16_t>(cameraCode);
  FillCameraSelectors(page, cameraIndex);
  FillFixedSelectors(page);

  words[word::kControlMethod] = FieldOf(record, word::kControlMethod);
  RefreshField(page, words, word::kCamera, kShowLabelsAndSelectors);
  RefreshField(page, words, word::kControlMethod, kShowLabelsAndSelectors);

  for (uint8_t w : {word::kProgram, word::kAv, word::kTv, word::kFocus, word::kIso}) {
    SetAndShow(page, words, w, FieldOf(record, w), kShowLabelsAndSelectors);
  }
  SetAndShow(page, words, word::kOptions, FieldOf(record, word::kOptions), kShowCheckBoxes);
  for (uint8_t w : {word::kControlMode, word::kWhiteBalance, word::kImageSize, word::kQuality}) {
    SetAndShow(page, words, w, FieldOf(record, w), kShowLabelsAndSelectors);
  }
  const ChoiceList* zoom = CameraModels()[cameraIndex].zoom;
  SetAndShow(page, words, word::kZoom,
             static_cast<uint16_t>(ZoomPositionOfCode(zoom, RecordU16(record, kZoomOffset))),
             kShowAll);
  for (uint8_t w : {word::kTotalShots, word::kInterval}) {
    SetAndShow(page, words, w, FieldOf(record, w), kShowLabelsAndSelectors);
  }
  for (uint8_t w : std::initializer_list<uint8_t>{17, 18, 33, 34, 19, 20, 21, 22, 23, 37}) {
    SetAndShow(page, words, w, FieldOf(record, w), kBarsLabels);
  }
  for (uint8_t w : std::initializer_list<uint8_t>{24, 25, 26, 27, 28, 29, 30, 31, 38}) {
    SetAndShow(page, words, w, FieldOf(record, w), kShowLabelsAndSelectors);
  }
}

bool SettingsEditor::LoadProfilesIntoEditor(std::span<const uint8_t> records) {
  if (records.size() < kProfileRecordsBytes) return false;
  for (int n = 1; n <= kProfileCount; ++n) {
    const auto record = RecordAt(records, n - 1);
    if (!record) return false;
    LoadProfileIntoEditor(*record, n);
  }
  return true;
}

// ---- Reactions ----------------------------------------------------------------

bool SettingsEditor::HandleCommand(WindowHandle sender, uint16_t id) {
  switch (id) {
    case resources::menu::kMilliseconds:
      SetServoUnits(kServoUnitsMilliseconds);
      return true;
    case resources::menu::kDegrees:
      SetServoUnits(kServoUnitsDegrees);
      return true;
    case resources::profile_page::kDefaults:
      ServoDefaults(sender);
      return true;
    default:
      break;
  }
  if (sender == windows_.mainWindow && id == ids::kDefaultProfile) {
    if (const auto data = ui_.SelectedData(sender, id)) {
      tables_[0][word::kDefaultProfile] = static_cast<uint16_t>(*data);
    }
    return true;
  }

  const int setIndex = SetIndexOf(sender);
  if (setIndex < 0 || !ui_.HasControl(sender, id)) return false;
  // Edits go to the table of the page that holds the control.
  WordTable& words = TableOf(setIndex);
  const FieldDescriptor f = DecodeControlId(id);
  const auto cls = ui_.ClassOf(sender, id);
  if (f.kind == ControlKind::Selector && cls == ControlClass::ComboBox) {
    if (id == ids::kCameraModel) {
      CameraChanged(sender, words);
    } else if (f.field < 114) {
      SelectorChanged(sender, words, id);
    }
    return true;
  }
  if (f.kind == ControlKind::CheckBox && cls == ControlClass::CheckBox) {
    const auto bit = static_cast<uint16_t>(1u << f.shift);
    if (ui_.IsChecked(sender, id)) {
      words[f.field] = static_cast<uint16_t>(words[f.field] | bit);
    } else {
      words[f.field] = static_cast<uint16_t>(words[f.field] & ~bit);
    }
    RefreshField(sender, words, f.field, kBarsLabels);
    return true;
  }
  return false;
}

void SettingsEditor::SelectorChanged(WindowHandle page, WordTable& words, uint16_t id) {
  const auto data = ui_.SelectedData(page, id);
  if (!data) return;
  const uint8_t w = DecodeControlId(id).field;
  words[w] = static_cast<uint16_t>(*data);
  switch (id) {
    case ids::kProgram:
      RefreshField(page, words, word::kProgram, kShowLabelsAndSelectors);
      break;
    case ids::kControlMethod:
      RefreshField(page, words, word::kOptions, kShowCheckBoxes);
      RefreshField(page, words, word::kProgram, kShowLabelsAndSelectors);
      break;
    case ids::kControlMode:
      RefreshField(page, words, word::kControlMode, kShowLabelsAndSelectors);
      RefreshField(page, words, word::kPanStartPosition, kShowLabelsAndSelectors);
      break;
    default:
      break;
  }
}

void SettingsEditor::CameraChanged(WindowHandle page, WordTable& words) {
  const auto data = ui_.SelectedData(page, ids::kCameraModel);
  if (!data) return;
  const auto code = static_cast<uint16_t>(*data);
  if (code == words[word::kCamera]) return;
  words[word::kCamera] = code;
  FillCameraSelectors(page, CameraIndexOfCode(static_cast<int16_t>(code)));
  words[word::kZoom] = 0;
  for (uint8_t w = 0; w <= word::kQuality; ++w) {
    RefreshField(page, words, w, kShowLabelsAndSelectors);
  }
  SelectByCode(page, ids::kProgram, words[word::kProgram]);
  SelectByCode(page, ids::kControlMethod, words[word::kControlMethod]);
  SelectorChanged(page, words, ids::kProgram);
  SelectorChanged(page, words, ids::kControlMethod);
  RefreshField(page, words, word::kFingerIdle, kShowLabelsAndSelectors);
}

void SettingsEditor::HandleTrackBar(WindowHandle page, uint16_t id, uint16_t code) {
  if (code == platform::notify::kTbThumbPosition || code == platform::notify::kTbEndTrack) return;
  const int setIndex = SetIndexOf(page);
  if (setIndex < 0 || ui_.ClassOf(page, id) != ControlClass::TrackBar) return;
  WordTable& words = TableOf(setIndex);
  const uint8_t w = DecodeControlId(id).field;
  words[w] = static_cast<uint16_t>(ui_.TrackPos(page, id) & 0xFF);
  RefreshField(page, words, w, kShowLabelsAndSelectors);
}

void SettingsEditor::SetServoUnits(uint16_t units) {
  tables_[0][word::kServoUnits] = units;
  RefreshField(windows_.mainWindow, tables_[0], word::kServoUnits, kShowCheckBoxes);
  for (int i = 0; i < kProfileCount; ++i) {
    const WindowHandle page = windows_.sets[static_cast<size_t>(i)];
    if (page == platform::kNoWindow) continue;
    for (uint8_t w = word::kPanNextPosition; w <= word::kTiltApplyTime; ++w) {
      RefreshField(page, tables_[static_cast<size_t>(i)], w, kBarsLabels);
    }
  }
}

bool SettingsEditor::ServoDefaults(WindowHandle page) {
  const int setIndex = SetIndexOf(page);
  if (setIndex < 0 || setIndex >= kProfileCount) return false;
  platform::MessageBoxRequest ask;
  ask.text = "All servo's related parameters will be\noverwritten in current profile.\n\nAre you sure?";
  ask.caption = "Servos defaults";
  ask.buttons = platform::MessageButtons::YesNo;
  ask.icon = platform::MessageIcon::Question;
  if (ui_.MessageBox(ask) != platform::MessageAnswer::Yes) return false;

  WordTable& words = TableOf(setIndex);
  struct Step {
    uint8_t word;
    uint16_t value;
  };
  if (words[word::kControlMode] == 11) {
    for (Step s : {Step{33, 150}, Step{17, 165}, Step{18, 1}, Step{19, 150}, Step{20, 152},
                   Step{21, 150}, Step{22, 152}, Step{37, 1}}) {
      SetAndShow(page, words, s.word, s.value, kBarsLabels);
    }
    return true;
  }
  for (Step s : {Step{17, 160}, Step{18, 5}, Step{33, 150}, Step{34, 0}, Step{19, 160},
                 Step{20, 150}, Step{21, 140}, Step{22, 0}, Step{23, 0}, Step{37, 7}}) {
    SetAndShow(page, words, s.word, s.value, kBarsLabels);
  }
  for (Step s : {Step{24, 150}, Step{25, 160}, Step{26, 165}, Step{28, 1}, Step{29, 2}}) {
    SetAndShow(page, words, s.word, s.value, kShowLabelsAndSelectors);
  }
  SetAndShow(page, words, word::kOptions, static_cast<uint16_t>(words[word::kOptions] | kOption360),
             kShowAll);
  return true;
}

}  // namespace vt::profiles
