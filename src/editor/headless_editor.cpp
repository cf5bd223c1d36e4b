#include "editor/headless_editor.h"

#include <string>

#include "profiles/enabling_rules.h"
#include "resources/templates.h"

namespace vt::profiles {

namespace {
constexpr uint16_t kMainWindowTemplate = 300;
constexpr uint16_t kTabControl = 400;
}  // namespace

HeadlessEditor::HeadlessEditor()
    : ui_(std::make_unique<platform::HeadlessUi>(resources::BuiltInTemplates())) {
  ui_->SetScript(&script_);
  windows_.mainWindow = ui_->CreateDialogWindow(kMainWindowTemplate, platform::kNoWindow);
  for (int i = 0; i < kProfileCount; ++i) {
    std::string tab = "Set #";
    tab += std::to_string(i + 1);
    ui_->InsertTab(windows_.mainWindow, kTabControl, i, tab);
    windows_.sets[static_cast<size_t>(i)] = ui_->CreateDialogWindow(resources::kProfilePage, windows_.mainWindow);
  }
  // The default-profile list of the main window: "#1".."#7" with codes 0..6.
  ui_->ClearSelector(windows_.mainWindow, ids::kDefaultProfile);
  for (int i = 0; i < kProfileCount; ++i) {
    std::string item = "#";
    item += std::to_string(i + 1);
    ui_->AddSelectorItem(windows_.mainWindow, ids::kDefaultProfile, item, i);
  }
  ui_->SelectIndex(windows_.mainWindow, ids::kDefaultProfile, 0);

  // Track bar ranges from their ids: 0 to the largest value of the field,
  // with the servo centre marked on the position bars.
  for (platform::WindowHandle page : windows_.sets) {
    for (uint16_t id : ui_->ControlIds(page)) {
      const FieldDescriptor f = DecodeControlId(id);
      if (f.kind != ControlKind::TrackBar || ui_->ClassOf(page, id) != platform::ControlClass::TrackBar) continue;
      ui_->SetTrackRange(page, id, 0, (1 << (f.widthCode + 1)) - 1);
      ui_->SetTrackPos(page, id, 0);
      if (id == ids::kPanNextBar || id == ids::kPanStartBar ||
          (id >= ids::kTiltFirstBar && id < ids::kTiltFirstBar + 5)) {
        ui_->SetTrackTick(page, id, 150);
      }
    }
  }

  editor_ = std::make_unique<SettingsEditor>(*ui_, windows_);
  for (int i = 0; i < kProfileCount; ++i) {
    editor_->FillCameraModelSelector(windows_.sets[static_cast<size_t>(i)], i);
  }
  ui_->SetEventHandler([this](const platform::UiEvent& event) {
    switch (event.kind) {
      case platform::EventKind::Command:
        editor_->HandleCommand(event.window, event.id);
        break;
      case platform::EventKind::Scroll:
        editor_->HandleTrackBar(event.window, event.id, event.code);
        break;
      case platform::EventKind::TabChange:
        editor_->SetCurrentSet(ui_->TabSelection(windows_.mainWindow, kTabControl));
        break;
      default:
        break;
    }
  });
  SelectSet(0);
}

void HeadlessEditor::SelectSet(int setIndex) {
  ui_->SelectTab(windows_.mainWindow, kTabControl, setIndex);
  editor_->SetCurrentSet(setIndex);
}

}  // namespace vt::profiles
