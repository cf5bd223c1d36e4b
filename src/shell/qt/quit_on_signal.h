#pragma once

#include <functional>

namespace vt::shell::qt {

// Turns SIGINT, SIGTERM and SIGHUP into a call of `onSignal` from the Qt
// event loop, so that a panel stopped from a terminal or by the session
// ends through the main window's own close handling: the log is flushed
// and a virtual board kept in a file is written back. Needs a running
// QCoreApplication; one instance per process.
class QuitOnSignal {
 public:
  explicit QuitOnSignal(std::function<void()> onSignal);
  ~QuitOnSignal();
  QuitOnSignal(const QuitOnSignal&) = delete;
  QuitOnSignal& operator=(const QuitOnSignal&) = delete;

  bool Installed() const { return installed_; }

 private:
  std::function<void()> onSignal_;
  bool installed_ = false;
};

}  // namespace vt::shell::qt
