#include "shell/main_window_update_ui.h"

#include <string>

#include "resources/resource_ids.h"
#include "shell/main_window.h"

namespace vt::shell {

WindowUpdateUi::~WindowUpdateUi() { ProgressEnd(); }

bool WindowUpdateUi::Ask(std::string_view text, std::string_view caption) {
  platform::MessageBoxRequest box;
  box.text = std::string(text);
  box.caption = std::string(caption);
  box.buttons = platform::MessageButtons::YesNo;
  box.icon = platform::MessageIcon::Question;
  return ui_.MessageBox(box) == platform::MessageAnswer::Yes;
}

void WindowUpdateUi::ShowMessage(std::string_view text, std::string_view caption) {
  platform::MessageBoxRequest box;
  box.text = std::string(text);
  box.caption = std::string(caption);
  box.buttons = platform::MessageButtons::Ok;
  ui_.MessageBox(box);
}

void WindowUpdateUi::SetStatus(std::string_view text) {
  ui_.SetText(mainWindow_, resources::main_window::kStatus, std::string(text));
}

void WindowUpdateUi::ProgressBegin(std::string_view title, std::string_view text, int rangeMax) {
  ProgressEnd();
  progress_ = ui_.CreateDialogWindow(resources::kProgressWindow, platform::kNoWindow);
  if (progress_ == platform::kNoWindow) return;
  ui_.SetCaption(progress_, std::string(title));
  ui_.SetText(progress_, resources::kProgressText, std::string(text));
  ui_.SetProgressRange(progress_, resources::kProgressBar, 0, rangeMax);
  ui_.SetProgressStep(progress_, resources::kProgressBar, 1);
  ui_.SetProgressPos(progress_, resources::kProgressBar, 0);
  ui_.ShowWindow(progress_, true);
}

void WindowUpdateUi::ProgressText(std::string_view text) {
  ui_.SetText(progress_, resources::kProgressText, std::string(text));
}

void WindowUpdateUi::ProgressStep() { ui_.StepProgress(progress_, resources::kProgressBar); }

void WindowUpdateUi::ProgressEnd() {
  if (progress_ == platform::kNoWindow) return;
  ui_.DestroyWindow(progress_);
  progress_ = platform::kNoWindow;
}

void WindowUpdateUi::PumpPaintMessages() { ui_.PumpPaintMessages(); }

void WindowUpdateUi::StopMessagePoll() { ui_.KillTimer(mainWindow_, kMessagePollTimer); }

}  // namespace vt::shell
