#include "editor/editor_transfer_ui.h"

#include <string>

#include "resources/resource_ids.h"

namespace vt::profiles {
namespace {

namespace mw = resources::main_window;

}  // namespace

EditorTransferUi::EditorTransferUi(SettingsEditor& editor, const devlink::BoardIdentity& board)
    : editor_(editor) {
  editor_.SetBoardIdentity(&board);
}

bool EditorTransferUi::Ask(std::string_view text, std::string_view caption) {
  platform::MessageBoxRequest request;
  request.text = std::string(text);
  request.caption = std::string(caption);
  request.buttons = platform::MessageButtons::YesNo;
  request.icon = platform::MessageIcon::Question;
  return editor_.GetUi().MessageBox(request) == platform::MessageAnswer::Yes;
}

void EditorTransferUi::ShowMessage(std::string_view text, std::string_view caption) {
  platform::MessageBoxRequest request;
  request.text = std::string(text);
  request.caption = std::string(caption);
  request.buttons = platform::MessageButtons::Ok;
  request.icon = platform::MessageIcon::Error;
  editor_.GetUi().MessageBox(request);
}

void EditorTransferUi::SetStatus(std::string_view text) {
  editor_.GetUi().SetText(editor_.Windows().mainWindow, mw::kStatus, std::string(text));
}

void EditorTransferUi::ShowResult(uint8_t code) {
  if (showResult_) {
    showResult_(code);
  } else {
    SetStatus(StatusText(code));
  }
}

void EditorTransferUi::ShowSerial(std::string_view text) {
  editor_.GetUi().SetText(editor_.Windows().mainWindow, mw::kSerial, std::string(text));
}

void EditorTransferUi::ShowFirmware(std::string_view text) {
  editor_.GetUi().SetText(editor_.Windows().mainWindow, mw::kFirmware, std::string(text));
}

void EditorTransferUi::OfferUpgrade() {
  // Posted, so that the offer comes once the read is over.
  editor_.GetUi().PostCommand(editor_.Windows().mainWindow, resources::menu::kUpdateFirmware);
}

void EditorTransferUi::ShowProfiles(std::span<const uint8_t> records) { editor_.LoadProfilesIntoEditor(records); }

ProfileRecordsBytes EditorTransferUi::ProfilesToWrite() { return editor_.StoreProfiles(); }

}  // namespace vt::profiles
