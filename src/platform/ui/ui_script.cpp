#include "platform/ui/ui_script.h"

namespace vt::platform {

MessageAnswer UiScript::SafeDefault(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::Ok:
      return MessageAnswer::Ok;
    case MessageButtons::OkCancel:
      return MessageAnswer::Cancel;
    case MessageButtons::YesNo:
      return MessageAnswer::No;
    case MessageButtons::YesNoCancel:
      return MessageAnswer::Cancel;
  }
  return MessageAnswer::Cancel;
}

MessageAnswer UiScript::Answer(const MessageBoxRequest& request) {
  ShownMessageBox shown{request, SafeDefault(request.buttons), false};
  if (request.buttons == MessageButtons::Ok) {
    // A plain notice has one answer; it leaves the queue to the questions.
    shown.scripted = true;
  } else if (!answers_.empty()) {
    shown.answer = answers_.front();
    shown.scripted = true;
    answers_.pop_front();
  } else if (standing_) {
    shown.answer = *standing_;
    shown.scripted = true;
  }
  boxes_.push_back(shown);
  return shown.answer;
}

std::optional<std::string> UiScript::ChooseFile(const FileDialogRequest& request) {
  ShownFileDialog shown{request, std::nullopt, false};
  if (!files_.empty()) {
    shown.path = files_.front();
    shown.scripted = true;
    files_.pop_front();
  }
  dialogs_.push_back(shown);
  return shown.path;
}

size_t UiScript::Unscripted() const {
  size_t count = 0;
  for (const ShownMessageBox& box : boxes_) {
    if (!box.scripted) ++count;
  }
  for (const ShownFileDialog& dialog : dialogs_) {
    if (!dialog.scripted) ++count;
  }
  return count;
}

void UiScript::ClearRecord() {
  boxes_.clear();
  dialogs_.clear();
}

}  // namespace vt::platform
