#pragma once

// The firmware update procedures' view of the user interface, on the UI
// facade: owner-less Yes/No questions and notices, the main window's status
// field, the progress window (template 10000) and the message poll timer.

#include <string_view>

#include "flash/update_ui.h"
#include "platform/ui/ui.h"

namespace vt::shell {

class WindowUpdateUi final : public flash::UpdateUi {
 public:
  WindowUpdateUi(platform::Ui& ui, platform::WindowHandle mainWindow)
      : ui_(ui), mainWindow_(mainWindow) {}
  ~WindowUpdateUi() override;
  WindowUpdateUi(const WindowUpdateUi&) = delete;
  WindowUpdateUi& operator=(const WindowUpdateUi&) = delete;

  bool Ask(std::string_view text, std::string_view caption) override;
  void ShowMessage(std::string_view text, std::string_view caption) override;
  void SetStatus(std::string_view text) override;
  void ProgressBegin(std::string_view title, std::string_view text, int rangeMax) override;
  void ProgressText(std::string_view text) override;
  void ProgressStep() override;
  void ProgressEnd() override;
  void PumpPaintMessages() override;
  void StopMessagePoll() override;

  platform::WindowHandle ProgressWindow() const { return progress_; }

 private:
  platform::Ui& ui_;
  platform::WindowHandle mainWindow_;
  platform::WindowHandle progress_ = platform::kNoWindow;
};

}  // namespace vt::shell
