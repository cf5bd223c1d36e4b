// The command handler shared by the main window and every page.
#include <optional>
#include <string>
#include <string_view>

#include "flash/firmware_version.h"
#include "flash/flash_commands.h"
#include "flash/update_context.h"
#include "flash/update_entry.h"
#include "editor/editor_files.h"
#include "profiles/info_block_backup.h"
#include "profiles/profiles_report.h"
#include "profiles/serial_display.h"
#include "profiles/update_backup.h"
#include "resources/resource_ids.h"
#include "shell/board_operation.h"
#include "shell/diagnostics_page.h"
#include "shell/main_window.h"
#include "shell/main_window_update_ui.h"
#include "shell/servo_tests.h"
#include "platform/utf8_path.h"

namespace vt::shell {

namespace {

namespace mw = resources::main_window;
namespace dp = resources::debug_page;
namespace menu = resources::menu;
namespace pp = resources::profile_page;

constexpr uint16_t kAbout = menu::kAbout;
constexpr uint16_t kPtpLog = dp::kPtpLog;
constexpr uint16_t kRestartBoard = dp::kReset;

// The commands that talk to the board for more than a moment, what the busy
// cue says meanwhile, and about how many exchanges they make with the
// virtual board (the progress bar's scale; 0 when it varies too much).
struct OperationKind {
  const char* label;
  int expectedSteps;
};

std::optional<OperationKind> OperationOf(uint16_t id) {
  switch (id) {
    case mw::kGetSettings: return OperationKind{"Reading profiles...", 52};
    case mw::kSaveSettings: return OperationKind{"Writing profiles...", 140};
    case menu::kTotalClear: return OperationKind{"Clearing all profiles...", 140};
    case dp::kFlash:
    case menu::kUpdateFirmware: return OperationKind{"Updating firmware...", 0};
    case dp::kFlashBootloader: return OperationKind{"Updating the bootloader...", 0};
    case dp::kInfrared: return OperationKind{"Converting infrared data...", 0};
    case menu::kTestDeviceSettings: return OperationKind{"Testing device settings...", 0};
    case kRestartBoard: return OperationKind{"Restarting the board...", 0};
    case pp::kTestCh0:
    case pp::kTestCh2: return OperationKind{"Servo test...", 0};
    default: break;
  }
  if ((id >= pp::kTestTilt1 && id < pp::kTestTilt1 + 5) ||
      (id >= pp::kTestFingerIdle && id < pp::kTestFingerIdle + 3)) {
    return OperationKind{"Servo test...", 0};
  }
  return std::nullopt;
}

}  // namespace

profiles::WordTable& MainWindow::CurrentTable() { return editor_->TableOf(currentSet_); }

void MainWindow::OnCommand(platform::WindowHandle sender, uint16_t id) {
  if (!editor_) return;  // nothing to act on before the window is initialised
  if (const std::optional<OperationKind> op = OperationOf(id)) {
    // The user acts again: an earlier failure has been seen.
    heldFailure_ = false;
    {
      const BoardOperation running(ui_, window_, meter_, op->label, op->expectedSteps);
      DispatchShellCommand(sender, id);
    }
    heldFailure_ = errorFlag_;
    // The operation may have found a board that arrived unannounced.
    if (pollParked_) RestartMessagePoll();
    return;
  }
  if (DispatchShellCommand(sender, id)) return;
  // Servo units, defaults, camera model, default profile and every settings
  // control by its identifier.
  editor_->HandleCommand(sender, id);
}

bool MainWindow::DispatchShellCommand(platform::WindowHandle sender, uint16_t id) {
  const ServoTestTarget servo{ui_, window_, link_, clock_};
  switch (id) {
    case kAbout:
      ShowAboutBox(sender);
      return true;
    case dp::kClear:
      diagnostics_->Clear();
      return true;
    case mw::kGetMessages:
      pollParked_ = false;
      if (ui_.IsChecked(window_, mw::kGetMessages)) {
        ui_.KillTimer(window_, kMessagePollTimer);
        ui_.SetTimer(window_, kMessagePollTimer, kMessagePollMs);
      } else {
        ui_.KillTimer(window_, kMessagePollTimer);
      }
      return true;
    case kPtpLog:
      SetStatusText("Failed");
      return true;
    case dp::kBrowse:
      diagnostics_->Browse(sender);
      return true;
    case dp::kFlash:
    case menu::kUpdateFirmware:
    case dp::kFlashBootloader:
      FirmwareCommand(sender, id);
      return true;
    case mw::kGetSettings:
      transfer_->GetSettings();
      return true;
    case mw::kSaveSettings:
      transfer_->WriteProfilesToBoard(profiles::WriteMode::kWrite);
      return true;
    case menu::kTotalClear:
      transfer_->TotalClearReset();
      return true;
    case menu::kProfilesToNotepad:
      profiles::ShowProfilesReport(
          *editor_, (reportFolder_.empty() ? std::filesystem::path(".") : reportFolder_) /
                        profiles::kProfilesReportFileName);
      return true;
    case menu::kOpen:
      profiles::OpenProfileFile(*editor_);
      return true;
    case menu::kSaveSet:
      profiles::SaveProfileFile(*editor_, &link_, profiles::SaveWhat::kCurrentSet);
      return true;
    case menu::kSaveAllSets:
      profiles::SaveProfileFile(*editor_, &link_, profiles::SaveWhat::kAllSets);
      return true;
    case dp::kInfrared:
      diagnostics_->ConvertInfrared(sender);
      return true;
    case menu::kTestDeviceSettings:
      // Always Set #1's control mode, whichever set is selected.
      DeviceSettingsTest(servo, editor_->TableOf(0));
      return true;
    case kRestartBoard:
      flash::RestartBoard(link_);
      return true;
    case menu::kExit:
      ui_.PostClose(window_);
      return true;
    case dp::kDebugInfo:
      PollBoardMessages(sender);
      return true;
    default:
      return RunServoTestCommand(servo, CurrentTable(), id);
  }
}

void MainWindow::PollBoardMessages(platform::WindowHandle sender) {
  (void)sender;
  const uint8_t code = diagnostics_->FetchBoardMessages();
  pollSawText_ = pollSawText_ || diagnostics_->LastFetchHadText();
  pollFoundNoBoard_ = pollFoundNoBoard_ || code == devlink::kStatusNoResponse;
  // Another board (or none) ends what a failure said about the old one.
  const std::string serial = link_.Identity().SerialText();
  if (serial != boardSerial_) {
    boardSerial_ = serial;
    heldFailure_ = false;
    ShowBoardIdentity();
  }
  ShowLinkFault((code & 0x80u) != 0);
  if (heldFailure_) return;
  ShowStatus(code);
}

void MainWindow::ShowLinkFault(bool failed) {
  // A stack that cannot be asked, else a board another program held.
  std::string fault = failed ? link_.StackError() : std::string();
  if (failed && fault.empty()) fault = link_.LastBusy();
  if (!fault.empty()) {
    // The field is narrow for a long address: the whole text is its tooltip.
    ui_.SetText(window_, mw::kBoardMessage, fault);
    ui_.AddToolTip(window_, mw::kBoardMessage, fault);
    linkFaultShown_ = true;
  } else if (linkFaultShown_) {
    ui_.SetText(window_, mw::kBoardMessage, "");
    ui_.AddToolTip(window_, mw::kBoardMessage, "");
    linkFaultShown_ = false;
  }
}

void MainWindow::RestartMessagePoll() { OnCommand(window_, mw::kGetMessages); }

void MainWindow::FirmwareCommand(platform::WindowHandle sender, uint16_t id) {
  const std::filesystem::path root = transfer_->BackupRoot();
  std::string lastBackup;
  bool lastBackupSound = true;
  flash::UpdateContext ctx{link_, *updateUi_,
                           profiles::UpdateBackupStore(link_, root,
                                                       [&](const profiles::BackupSaveResult& saved) {
                                                         if (!saved.ok) return;
                                                         lastBackup = platform::PathToUtf8(saved.path);
                                                         lastBackupSound = saved.condition == flash::BlockCondition::kSound;
                                                       }),
                           firmwareLookup_};
  // A failed update names its step and where the info block as it was is
  // kept, as the command line does. A refused claim has said why already.
  const auto tellFailure = [&](std::optional<bool> ran, std::string_view caption) {
    if (ran && !*ran && ctx.failure.step != flash::UpdateStep::kNone) {
      std::string text = "The update failed: " + flash::DescribeUpdateFailure(ctx.failure, lastBackup);
      // A damaged block, or a copy of one that holds no settings: the way
      // back is the newest sound backup.
      if (ctx.infoBlockDamaged || !lastBackupSound) {
        text += "\n\n" + profiles::RestoreAdvice(root, link_.Identity().SerialText());
      }
      updateUi_->ShowMessage(text, caption);
    }
  };
  // A window without the file name field (the main window's hidden
  // button) passes an empty name.
  const std::string fileName = ui_.GetText(sender, dp::kFirmwareFile);
  if (id == dp::kFlashBootloader) {
    const auto ran = flash::FlashBootloaderCommand(ctx, fileName, ui_.IsChecked(sender, dp::kWifi));
    tellFailure(ran, "Bootloader Upgrade");
    if (ran) {
      ShowBoardIdentity();
      RestartMessagePoll();
    }
    return;
  }
  const auto result = flash::FirmwareUpdateCommand(ctx, id == menu::kUpdateFirmware, fileName);
  if (!result) return;  // not supported, or not confirmed
  // The board runs other firmware now (or a failed update left it in an
  // unknown state): what the fields said before is no longer true.
  ShowBoardIdentity();
  ShowStatus(*result ? kStatusOk : kStatusFailed);
  tellFailure(result, "Firmware Upgrade");
  RestartMessagePoll();
}

void MainWindow::ShowBoardIdentity() {
  std::string text = "Firmware version: ?";
  flash::FirmwareVersion version;
  if (!link_.Identity().SerialText().empty() && flash::ReadBoardFirmwareVersion(link_, &version)) {
    text = "Firmware version: " + std::to_string(version.series) + "." +
           std::to_string(version.minor) + "." + std::to_string(version.build);
  }
  ui_.SetText(window_, mw::kFirmware, text);
  ui_.SetText(window_, mw::kSerial, profiles::SerialDisplayText(link_.Identity()));
}

void MainWindow::ShowAboutBox(platform::WindowHandle owner) {
  const AboutTexts texts = AboutTextsFromCaption(savedCaption_);
  ui_.RunModalDialog(resources::kAboutBox, owner, [this, &texts](platform::WindowHandle box) {
    ui_.SetCaption(box, texts.title);
    ui_.SetText(box, resources::kAboutText, texts.body);
  });
}

}  // namespace vt::shell
