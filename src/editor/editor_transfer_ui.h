#pragma once

// The transfer's window side: questions and notices as message boxes, the
// status, serial and firmware fields of the main window, the firmware update
// offered as the menu command, and the records in and out of the settings
// pages. The panel and the tests' headless editor drive the transfer
// through it.

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "devlink/board_identity.h"
#include "editor/settings_editor.h"
#include "profiles/transfer_ui.h"

namespace vt::profiles {

class EditorTransferUi : public TransferUi {
 public:
  // The pages show the board the transfer talks to (its kind decides
  // whether the battery cutoff applies).
  EditorTransferUi(SettingsEditor& editor, const devlink::BoardIdentity& board);

  // Replaces the plain result display (the code's text in the status field).
  void SetResultDisplay(std::function<void(uint8_t)> show) { showResult_ = std::move(show); }

  bool Ask(std::string_view text, std::string_view caption) override;
  void ShowMessage(std::string_view text, std::string_view caption) override;
  void SetStatus(std::string_view text) override;
  void ShowResult(uint8_t code) override;
  void ShowSerial(std::string_view text) override;
  void ShowFirmware(std::string_view text) override;
  void OfferUpgrade() override;
  void ShowProfiles(std::span<const uint8_t> records) override;
  ProfileRecordsBytes ProfilesToWrite() override;

 private:
  SettingsEditor& editor_;
  std::function<void(uint8_t)> showResult_;
};

}  // namespace vt::profiles
