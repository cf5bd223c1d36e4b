#pragma once

// What a desktop front end does with a close of a top-level window (title
// bar, window manager, Alt+F4) while a board operation runs: the close is
// held, the user is asked at the operation's next repaint whether to close
// once it is over, and the close runs then. Stopping in the middle could
// leave the board half programmed. The toolkits only draw the question.

#include <cstdint>

namespace vt::platform {

inline constexpr char kCloseDuringOperationQuestion[] =
    "A board operation is running. Stopping it now could leave the board half "
    "programmed.\n\nClose the panel as soon as the operation has finished?";
// Added to the busy text once the user chose to close.
inline constexpr char kClosesWhenDoneNote[] = " The panel closes when it is done.";

// Where a close from the desktop goes.
enum class CloseRoute : uint8_t {
  kHoldForOperation,  // asked about at the operation's next repaint
  kQueue,             // a question is open: it is answered first, the close runs from the loop
  kRaiseNow,
};
CloseRoute RouteClose(bool operationRunning, bool questionsOpen);

class CloseDuringOperation {
 public:
  // A new operation: nothing asked yet.
  void Reset() { asked_ = pending_ = false; }
  // The user asked to close while the operation runs.
  void Asked() { asked_ = true; }
  // After a repaint of the operation: true when the user is to be asked
  // now. Unattended nobody is asked, and a close asked for is taken.
  bool AskNow(bool unattended);
  // The user's answer: close once the operation is over, or not.
  void Answered(bool closeWhenDone) { pending_ = closeWhenDone; }
  bool Pending() const { return pending_; }
  // At the end of the operation: whether the close is to run now. Starts over.
  bool TakeAtEnd();

 private:
  bool asked_ = false;    // a close came while the operation ran
  bool pending_ = false;  // ... and the user wants it once it is over
};

}  // namespace vt::platform
