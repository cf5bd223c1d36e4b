#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "app/board_backend.h"
#include "devlink/board_link.h"
#include "platform/debug_log.h"
#include "platform/win32/win32_ui.h"
#include "shell/board_operation.h"
#include "shell/main_window.h"
#include "shell/qt/panel_options.h"

namespace vt::shell::win32 {

struct PanelStartup {
  qt::PanelOptions options;
  // Where "debug.cmd", "debug.log" and "build.dat" are looked for.
  std::filesystem::path workDir = std::filesystem::current_path();
  // The full command line as the build record reads it: the quoted program
  // path, then the arguments.
  std::string commandLine;
  // Tests and screenshots: questions are answered by the UI's script.
  bool unattended = false;
  // Where info-block backups go; empty: the per-user data folder.
  std::filesystem::path backupRoot;
};

// One run of the native Windows panel after the converter decision: the
// debug marker and log, the build record, the board backend, the Win32 UI
// and the main window, then the message loop. The same steps as the
// desktop panel on Linux, on the Win32 facade.
class PanelSession {
 public:
  explicit PanelSession(PanelStartup startup);
  ~PanelSession();
  PanelSession(const PanelSession&) = delete;
  PanelSession& operator=(const PanelSession&) = delete;

  // Everything up to and including the main window's creation. False when
  // the panel cannot run; the user has been told, and ExitCode() says how
  // the process should end.
  bool Start();
  // The message loop until the main window closes; then the board session
  // is finished. Returns the process exit code.
  int Run();
  int ExitCode() const { return exitCode_; }

  platform::win32::Win32Ui& Ui() { return *ui_; }
  MainWindow* Window() { return window_.get(); }

 private:
  bool BackendFailure(const std::string& reason);

  PanelStartup startup_;
  int exitCode_ = 0;
  platform::DebugLog log_;
  std::unique_ptr<app::BoardBackend> backend_;
  // The board and the clock as the panel uses them: paced, so that a long
  // operation keeps the window painted.
  platform::SystemClock systemClock_;
  std::unique_ptr<OperationMeter> meter_;
  std::unique_ptr<MeteredHid> hid_;
  std::unique_ptr<MeteredClock> clock_;
  std::unique_ptr<devlink::BoardLink> link_;
  std::unique_ptr<platform::win32::Win32Ui> ui_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace vt::shell::win32
