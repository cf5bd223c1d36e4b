#include "shell/qt/panel_session.h"

#include <QApplication>
#include <QWidget>
#include <cstdio>

#include "platform/qt/app_icon.h"
#include "app/board_address.h"
#include "resources/templates.h"
#include "shell/build_record.h"
#include "shell/startup.h"

namespace vt::shell::qt {

PanelSession::PanelSession(PanelStartup startup) : startup_(std::move(startup)) {}

PanelSession::~PanelSession() {
  // The window goes before the UI that holds its widgets.
  window_.reset();
  ui_.reset();
}

// The board backend could not even be built (say, a virtual board's flash
// file that does not fit): the same fatal message as a backend that does not
// come up.
bool PanelSession::BackendFailure(const std::string& reason) {
  if (!reason.empty()) std::fprintf(stderr, "velotrack-panel: %s\n", reason.c_str());
  platform::MessageBoxRequest box;
  box.text = std::string(kDllErrorText);
  box.caption = std::string(kDllErrorCaption);
  box.buttons = platform::MessageButtons::Ok;
  box.icon = platform::MessageIcon::Error;
  ui_->MessageBox(box);
  exitCode_ = 1;
  return false;
}

bool PanelSession::Start() {
  ui_ = std::make_unique<platform::qt::QtUi>(resources::BuiltInTemplates());
  ui_->SetUnattended(startup_.unattended);

  // The log's "CmdLine:" line names the whole command line, as the build
  // record does.
  StartDebugLogIfMarked(log_, startup_.workDir,
                        startup_.commandLine.empty() ? startup_.options.argumentText
                                                     : startup_.commandLine);
  UpdateBuildRecord(startup_.workDir, startup_.commandLine, kBuildNumber);

  std::string error;
  const std::optional<app::BoardAddress> address =
      app::ParseBoardAddress(startup_.options.boardAddress, &error);
  if (!address) {
    std::fprintf(stderr, "velotrack-panel: %s\n", error.c_str());
    exitCode_ = 2;
    return false;
  }
  backend_ = app::MakeBoardBackend(*address, nullptr, &error);
  if (!backend_) return BackendFailure(error);
  meter_ = std::make_unique<OperationMeter>(*ui_, systemClock_);
  platform::HidBackend* board = &backend_->Hid();
  if (startup_.wrapBoard) {
    wrapped_ = startup_.wrapBoard(*board);
    if (wrapped_) board = wrapped_.get();
  }
  hid_ = std::make_unique<MeteredHid>(*board, *meter_);
  clock_ = std::make_unique<MeteredClock>(backend_->GetClock(), *meter_);
  link_ = std::make_unique<devlink::BoardLink>(*hid_, *clock_, log_);
  if (!LoadBoardLibraries(*ui_, *link_)) {
    exitCode_ = 1;
    return false;
  }

  window_ = std::make_unique<MainWindow>(*ui_, *link_, *clock_, log_);
  window_->SetOperationMeter(meter_.get());
  window_->SetDeviceWatch(backend_->DeviceChanges());
  if (!startup_.backupRoot.empty()) window_->SetBackupRoot(startup_.backupRoot);
  ui_->SetEventHandler([this](const platform::UiEvent& event) {
    if (window_) window_->HandleEvent(event);
  });
  const platform::WindowHandle main = window_->Create();
  if (main == platform::kNoWindow) {
    std::fprintf(stderr, "velotrack-panel: the main window template is missing\n");
    exitCode_ = 1;
    return false;
  }
  if (QWidget* frame = ui_->Widget(main)) frame->setWindowIcon(platform::qt::AppIcon());
  return true;
}

int PanelSession::Run() {
  exitCode_ = ui_->RunMessageLoop();
  std::string error;
  if (backend_ && !backend_->Finish(&error)) {
    std::fprintf(stderr, "velotrack-panel: %s\n", error.c_str());
  }
  return exitCode_;
}

}  // namespace vt::shell::qt
