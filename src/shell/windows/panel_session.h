#pragma once

#include <memory>

#include "platform/ui_windows/win32_ui.h"
#include "shell/session/panel_core.h"

namespace vt::shell::win32 {

// One run of the native Windows panel after the converter decision: the
// Win32 UI with the program's icons, then the same start-up and loop as the
// desktop panel on Linux.
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
  int Run() { return core_->Run(); }
  int ExitCode() const { return core_ ? core_->ExitCode() : 0; }

  platform::win32::Win32Ui& Ui() { return *ui_; }
  MainWindow* Window() { return core_->Window(); }

 private:
  PanelStartup startup_;
  // The core holds controls of the UI's: it is declared after the UI so
  // that it goes first.
  std::unique_ptr<platform::win32::Win32Ui> ui_;
  std::unique_ptr<PanelCore> core_;
};

}  // namespace vt::shell::win32
