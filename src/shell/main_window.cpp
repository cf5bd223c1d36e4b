#include "shell/main_window.h"

#include <cstdio>

#include "resources/colour_rule.h"
#include "resources/resource_ids.h"
#include "shell/diagnostics_page.h"
#include "shell/main_window_update_ui.h"

namespace vt::shell {

namespace {

namespace mw = resources::main_window;
namespace dp = resources::debug_page;

constexpr size_t kCaptionChars = 100;

// The caption as the window holds it at most.
std::string CaptionOf(platform::Ui& ui, platform::WindowHandle window) {
  return ui.GetCaption(window).substr(0, kCaptionChars);
}

// The caption template carries "%d" for the build number.
std::string FormatCaption(const std::string& caption) {
  const size_t at = caption.find("%d");
  if (at == std::string::npos) return caption;
  std::string out = caption;
  out.replace(at, 2, std::to_string(kBuildNumber));
  return out;
}

}  // namespace

MainWindow::MainWindow(platform::Ui& ui, devlink::BoardLink& link, platform::Clock& clock,
                       platform::DebugLog& log)
    : ui_(ui), link_(link), clock_(clock), log_(log) {
  pages_.fill(platform::kNoWindow);
}

MainWindow::~MainWindow() = default;

platform::WindowHandle MainWindow::Create() {
  const platform::WindowHandle window =
      ui_.CreateDialogWindow(resources::kMainWindow, platform::kNoWindow);
  if (window == platform::kNoWindow) return window;
  OnInitDialog(window);
  return window;
}

void MainWindow::HandleEvent(const platform::UiEvent& event) {
  switch (event.kind) {
    case platform::EventKind::Command:
      OnCommand(event.window, event.id);
      break;
    case platform::EventKind::Scroll:
      OnTrackBar(event.window, event.id, event.code);
      break;
    case platform::EventKind::TabChange:
      if (event.window == window_) OnTabChanged(ui_.TabSelection(window_, mw::kTabs));
      break;
    case platform::EventKind::Timer:
      if (event.window == window_) OnTimer(event.id);
      break;
    case platform::EventKind::Close:
      if (event.window == window_) OnClose();
      break;
    case platform::EventKind::DeviceChange:
      if (event.window == window_) OnDevicesChanged();
      break;
  }
}

void MainWindow::OnInitDialog(platform::WindowHandle window) {
  window_ = window;
  currentSet_ = 0;
  // Watched from before the first detection, so that no arrival is missed.
  watchesDevices_ = watch_ != nullptr && ui_.WatchDevices(window_, watch_);

  // The caption shows the build number; the saved caption keeps the
  // template's text until the caption timer reads it again.
  savedCaption_ = CaptionOf(ui_, window_);
  if (savedCaption_.find('%') != std::string::npos) {
    ui_.SetCaption(window_, FormatCaption(savedCaption_));
  }

  InitTabbedDialog(ui_, window_, log_.On(), pages_);
  editor_ = std::make_unique<profiles::SettingsEditor>(ui_, EditorWindowsOf(window_, pages_));
  transferUi_ = std::make_unique<profiles::EditorTransferUi>(*editor_, link_.Identity());
  // The result colours the status field as every other status does.
  transferUi_->SetResultDisplay([this](uint8_t code) { ShowStatus(code); });
  transfer_ = std::make_unique<profiles::ProfileTransfer>(link_, *transferUi_);
  if (!backupRoot_.empty()) transfer_->SetBackupRoot(backupRoot_);
  transfer_->SetFirmwareLookup(firmwareLookup_);
  diagnostics_ = std::make_unique<DiagnosticsPage>(ui_, window_, pages_[kDebugSlot], link_, log_);
  diagnostics_->SetOutputFolder(reportFolder_);
  updateUi_ = std::make_unique<WindowUpdateUi>(ui_, window_);

  InitTrackBars(ui_, pages_);
  InitComboBoxes(ui_, window_);
  InitToolTips(ui_, window_, pages_);
  if (!log_.On()) ui_.Show(window_, mw::kGetMessages, false);

  for (int i = 0; i < kSetPages; ++i) {
    editor_->FillCameraModelSelector(pages_[static_cast<size_t>(i)], i);
  }
  ShowLinkFault(!transfer_->ReadProfilesFromBoard(false));
  boardSerial_ = link_.Identity().SerialText();
  OnCommand(window_, resources::menu::kDegrees);
  ui_.Show(pages_[kDebugSlot], dp::kPtpLog, false);

  // The poll runs from start-up on, also when its box is hidden.
  ui_.SetCheck(window_, mw::kGetMessages, true);
  OnCommand(window_, mw::kGetMessages);
  ui_.SetTimer(window_, kCaptionTimer, kCaptionTimerMs);
}

void MainWindow::OnTimer(uint16_t timerId) {
  if (timerId == kCaptionTimer) {
    savedCaption_ = CaptionOf(ui_, window_);
    ui_.SetCaption(window_, savedCaption_);
    ui_.KillTimer(window_, kCaptionTimer);
  } else if (timerId == kMessagePollTimer) {
    PollTick();
  }
}

void MainWindow::OnTabChanged(int index) {
  // The tab control has a tab for every page that exists; anything else is
  // no selection at all.
  if (index < 0 || index >= kPageSlots || pages_[static_cast<size_t>(index)] == platform::kNoWindow) {
    return;
  }
  for (int slot = 0; slot < kPageSlots; ++slot) {
    const platform::WindowHandle page = pages_[static_cast<size_t>(slot)];
    if (page != platform::kNoWindow) ui_.ShowWindow(page, slot == index);
  }
  currentSet_ = index;
  if (editor_) editor_->SetCurrentSet(index);
}

void MainWindow::OnTrackBar(platform::WindowHandle page, uint16_t control, uint16_t code) {
  if (!editor_) return;
  if (code == platform::notify::kTbThumbPosition || code == platform::notify::kTbEndTrack) return;
  editor_->HandleTrackBar(page, control, code);
  if (page != platform::kNoWindow && page == pages_[kDebugSlot] && control == dp::kTestOutput) {
    diagnostics_->TestOutput(ui_.TrackPos(page, control));
  }
}

void MainWindow::OnClose() {
  if (log_.On()) log_.Close();
  link_.CloseDevice();
  ui_.KillTimer(window_, kMessagePollTimer);
  ui_.KillTimer(window_, kCaptionTimer);
  ui_.PostQuit(0);
  ui_.DestroyWindow(window_);
}

bool MainWindow::ShowStatus(platform::WindowHandle window, uint16_t controlId, uint8_t code) {
  errorFlag_ = (code & 0x80u) != 0;
  ui_.SetText(window, controlId, profiles::StatusText(code));
  ApplyStatusColour();
  return errorFlag_;
}

bool MainWindow::ShowStatus(uint8_t code) { return ShowStatus(window_, mw::kStatus, code); }

void MainWindow::SetStatusText(const std::string& text) {
  ui_.SetText(window_, mw::kStatus, text);
}

void MainWindow::ApplyStatusColour() {
  ui_.SetColours(window_, mw::kStatus, resources::colours::Status(errorFlag_));
}

}  // namespace vt::shell
