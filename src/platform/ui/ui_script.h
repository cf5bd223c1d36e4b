#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/ui_types.h"

namespace vt::platform {

// Answers for the questions a Ui would ask a person, queued in advance by a
// test or an unattended front end, and a record of every question asked.
//
// A question nobody scripted gets the answer that changes nothing (No, Cancel,
// OK for a plain notice; no file for a file dialog) and is counted, so a test
// can assert that it foresaw every question.
class UiScript {
 public:
  struct ShownMessageBox {
    MessageBoxRequest request;
    MessageAnswer answer = MessageAnswer::Ok;
    bool scripted = false;
  };
  struct ShownFileDialog {
    FileDialogRequest request;
    std::optional<std::string> path;
    bool scripted = false;
  };

  void QueueAnswer(MessageAnswer answer) { answers_.push_back(answer); }
  // A path chooses that file; nullopt cancels the dialog.
  void QueueFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }

  // An answer for every question once the queue is empty (an unattended run
  // told "yes to everything"); nullopt goes back to the safe default.
  void SetStandingAnswer(std::optional<MessageAnswer> answer) { standing_ = answer; }

  // Records the box and returns the answer to give: the next queued one, or
  // the standing answer, or the safe default. A box with only an OK button
  // answers OK without taking a queued answer.
  MessageAnswer Answer(const MessageBoxRequest& request);
  std::optional<std::string> ChooseFile(const FileDialogRequest& request);

  bool HasQueuedAnswer() const { return !answers_.empty(); }
  bool HasQueuedFile() const { return !files_.empty(); }
  size_t PendingAnswers() const { return answers_.size(); }
  size_t PendingFiles() const { return files_.size(); }

  const std::vector<ShownMessageBox>& MessageBoxes() const { return boxes_; }
  const std::vector<ShownFileDialog>& FileDialogs() const { return dialogs_; }
  // Questions answered by default because nothing was queued.
  size_t Unscripted() const;
  void ClearRecord();

  static MessageAnswer SafeDefault(MessageButtons buttons);

 private:
  std::deque<MessageAnswer> answers_;
  std::optional<MessageAnswer> standing_;
  std::deque<std::optional<std::string>> files_;
  std::vector<ShownMessageBox> boxes_;
  std::vector<ShownFileDialog> dialogs_;
};

}  // namespace vt::platform
