#include "shell/session/panel_core.h"

#include <cstdio>

#include "app/board_address.h"
#include "platform/user_files.h"
#include "formats/build_record.h"
#include "shell/startup.h"

namespace vt::shell {

PanelCore::PanelCore(platform::Ui& ui, const PanelStartup& startup) : ui_(ui), startup_(startup) {}

PanelCore::~PanelCore() {
  // The UI outlives the core: it stops calling into it, and the window goes
  // before the board link and backend it uses.
  ui_.SetEventHandler({});
  window_.reset();
}

bool PanelCore::Fail(int code, const std::string& reason) {
  if (!reason.empty()) std::fprintf(stderr, "velotrack-panel: %s\n", reason.c_str());
  exitCode_ = code;
  return false;
}

// The board backend could not even be built (say, a virtual board's flash
// file that does not fit): the same fatal message as a backend that does not
// come up.
bool PanelCore::BackendFailure(const std::string& reason) {
  if (!reason.empty()) std::fprintf(stderr, "velotrack-panel: %s\n", reason.c_str());
  platform::MessageBoxRequest box;
  box.text = std::string(kDllErrorText);
  box.caption = std::string(kDllErrorCaption);
  box.buttons = platform::MessageButtons::Ok;
  box.icon = platform::MessageIcon::Error;
  ui_.MessageBox(box);
  exitCode_ = 1;
  return false;
}

bool PanelCore::Start() {
  // The log's "CmdLine:" line names the whole command line, as the build
  // record does.
  // The marker is looked for in the working folder and in the user's
  // folder; the log and the build record go where the panel may write.
  const std::filesystem::path stateFolder =
      platform::PanelFileFolder(startup_.workDir, platform::UserFileKind::kState);
  StartDebugLogIfMarked(log_, {startup_.workDir, platform::UserFileFolder(platform::UserFileKind::kState)},
                        stateFolder,
                        startup_.commandLine.empty() ? startup_.options.argumentText
                                                     : startup_.commandLine);
  formats::UpdateBuildRecord(stateFolder, startup_.commandLine, kBuildNumber);

  std::string error;
  const std::optional<app::BoardAddress> address =
      app::ParseBoardAddress(startup_.options.boardAddress, &error);
  if (!address) return Fail(2, error);
  backend_ = app::MakeBoardBackend(*address, nullptr, &error);
  if (!backend_) return BackendFailure(error);
  meter_ = std::make_unique<OperationMeter>(ui_, systemClock_);
  platform::HidBackend* board = &backend_->Hid();
  if (startup_.wrapBoard) {
    wrapped_ = startup_.wrapBoard(*board);
    if (wrapped_) board = wrapped_.get();
  }
  hid_ = std::make_unique<MeteredHid>(*board, *meter_);
  clock_ = std::make_unique<MeteredClock>(backend_->GetClock(), *meter_);
  link_ = std::make_unique<devlink::BoardLink>(*hid_, *clock_, log_);
  if (!LoadBoardLibraries(ui_, *link_)) return Fail(1, {});

  window_ = std::make_unique<MainWindow>(ui_, *link_, *clock_, log_);
  window_->SetReportFolder(platform::PanelFileFolder(startup_.workDir, platform::UserFileKind::kData));
  window_->SetOperationMeter(meter_.get());
  window_->SetDeviceWatch(backend_->DeviceChanges());
  if (!startup_.backupRoot.empty()) window_->SetBackupRoot(startup_.backupRoot);
  ui_.SetEventHandler([this](const platform::UiEvent& event) {
    if (window_) window_->HandleEvent(event);
  });
  main_ = window_->Create();
  if (main_ == platform::kNoWindow) return Fail(1, "the main window template is missing");
  return true;
}

int PanelCore::Run() {
  exitCode_ = ui_.RunMessageLoop();
  std::string error;
  if (backend_ && !backend_->Finish(&error)) {
    std::fprintf(stderr, "velotrack-panel: %s\n", error.c_str());
  }
  return exitCode_;
}

}  // namespace vt::shell
