#pragma once

#include <memory>

#include "platform/qt/qt_ui.h"
#include "shell/session/panel_core.h"

namespace vt::shell::qt {

// One run of the desktop panel after the converter and display decisions:
// the Qt UI, then the shared start-up and loop. Needs a QApplication.
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

  platform::qt::QtUi& Ui() { return *ui_; }
  MainWindow* Window() { return core_->Window(); }
  platform::DebugLog& Log() { return core_->Log(); }
  app::BoardBackend* Backend() { return core_->Backend(); }
  devlink::BoardLink* Link() { return core_->Link(); }

 private:
  PanelStartup startup_;
  // The core holds widgets of the UI's: it is declared after the UI so that
  // it goes first.
  std::unique_ptr<platform::qt::QtUi> ui_;
  std::unique_ptr<PanelCore> core_;
};

}  // namespace vt::shell::qt
