#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/board_backend.h"
#include "devlink/board_link.h"
#include "platform/debug_log.h"
#include "platform/ui/ui.h"
#include "shell/board_operation.h"
#include "shell/main_window.h"
#include "shell/session/panel_options.h"

namespace vt::shell {

struct PanelStartup {
  PanelOptions options;
  // Where "debug.cmd", "debug.log", "build.dat" and "profiles.txt" are
  // looked for and written; when it is read-only or the program's install
  // folder they are written to the user's folder (platform/user_files.h),
  // where "debug.cmd" is looked for too.
  std::filesystem::path workDir = std::filesystem::current_path();
  // The full command line as the build record reads it: the quoted program
  // path, then the arguments.
  std::string commandLine;
  // Tests and screenshots: questions are answered by the UI's script.
  bool unattended = false;
  // Where info-block backups go; empty: the per-user data folder.
  std::filesystem::path backupRoot;
  // Tests: puts a backend of their own (a slow board) in front of the board.
  std::function<std::unique_ptr<platform::HidBackend>(platform::HidBackend&)> wrapBoard;
};

// One run of a desktop panel on a UI its toolkit made: the debug marker and
// log, the build record, the board backend, the board's libraries and the
// main window; after the message loop, the end of the board session. The
// Qt and the Win32 panel differ only in the UI and its icons.
class PanelCore {
 public:
  // `ui` outlives the core.
  PanelCore(platform::Ui& ui, const PanelStartup& startup);
  ~PanelCore();
  PanelCore(const PanelCore&) = delete;
  PanelCore& operator=(const PanelCore&) = delete;

  // Everything up to and including the main window's creation. False when
  // the panel cannot run; the user has been told, and ExitCode() says how
  // the process should end.
  bool Start();
  // The message loop until the main window closes; then the board session
  // is finished. Returns the process exit code.
  int Run();
  int ExitCode() const { return exitCode_; }

  platform::WindowHandle MainHandle() const { return main_; }
  MainWindow* Window() { return window_.get(); }
  platform::DebugLog& Log() { return log_; }
  app::BoardBackend* Backend() { return backend_.get(); }
  devlink::BoardLink* Link() { return link_.get(); }

 private:
  bool Fail(int code, const std::string& reason);
  bool BackendFailure(const std::string& reason);

  platform::Ui& ui_;
  const PanelStartup& startup_;
  int exitCode_ = 0;
  platform::DebugLog log_;
  std::unique_ptr<app::BoardBackend> backend_;
  // The board and the clock as the panel uses them: paced, so that a long
  // operation keeps the window painted.
  platform::SystemClock systemClock_;
  std::unique_ptr<OperationMeter> meter_;
  std::unique_ptr<platform::HidBackend> wrapped_;
  std::unique_ptr<MeteredHid> hid_;
  std::unique_ptr<MeteredClock> clock_;
  std::unique_ptr<devlink::BoardLink> link_;
  std::unique_ptr<MainWindow> window_;
  platform::WindowHandle main_ = platform::kNoWindow;
};

}  // namespace vt::shell
