#pragma once

#include <string>
#include <string_view>

namespace vt::flash {

// What the update procedures need from the user interface. The shell adapts
// this to its toolkit; tests and the command line script it. Questions are
// Yes/No and only Yes proceeds.
class UpdateUi {
 public:
  virtual ~UpdateUi() = default;

  // Yes/No question; true only for Yes.
  virtual bool Ask(std::string_view text, std::string_view caption) = 0;
  // Message with an OK button.
  virtual void ShowMessage(std::string_view text, std::string_view caption) = 0;
  // The main window's status line.
  virtual void SetStatus(std::string_view text) = 0;

  // The modeless progress window: a text and a bar stepping by one from 0
  // to `rangeMax`.
  virtual void ProgressBegin(std::string_view title, std::string_view text, int rangeMax) = 0;
  virtual void ProgressText(std::string_view text) = 0;
  virtual void ProgressStep() = 0;
  virtual void ProgressEnd() = 0;

  // Lets windows repaint during a long operation; other input is dropped.
  virtual void PumpPaintMessages() = 0;

  // Stops the board-message poll before an update starts.
  virtual void StopMessagePoll() {}
};

// A UI that answers every question with a fixed answer and shows nothing.
class SilentUpdateUi : public UpdateUi {
 public:
  explicit SilentUpdateUi(bool answer = true) : answer_(answer) {}
  bool Ask(std::string_view, std::string_view) override { return answer_; }
  void ShowMessage(std::string_view, std::string_view) override {}
  void SetStatus(std::string_view) override {}
  void ProgressBegin(std::string_view, std::string_view, int) override {}
  void ProgressText(std::string_view) override {}
  void ProgressStep() override {}
  void ProgressEnd() override {}
  void PumpPaintMessages() override {}

 private:
  bool answer_;
};

}  // namespace vt::flash
