#pragma once

#include <string>

namespace vt::platform {

// The requests to stop that reach a program from outside: Ctrl-C, SIGTERM,
// SIGHUP and SIGQUIT on POSIX systems; the console's Ctrl-C, Ctrl-Break and
// close events on Windows. While a board's flash is being changed they are
// held, so an erase is never left without its program step: the change
// runs to its end and the program then says what the board holds.
class StopSignals {
 public:
  virtual ~StopSignals() = default;
  // Holds stop requests from now on (a second call changes nothing). False
  // when a request came before the hold began: nothing is held then, and
  // the caller must not start changing flash.
  virtual bool Hold() = 0;
  // True once Hold() has succeeded.
  virtual bool Held() const = 0;
  // The request that came (0 when none): the signal number on POSIX
  // systems, the console event on Windows.
  virtual int Pending() const = 0;
};

// The process's own stop requests. One per process (signal handlers are
// process-wide), made by the program's main() before anything else runs.
// Outside a hold, Ctrl-C is only recorded (a command that polls for it ends
// quietly) and the others end the program as they always do. SIGXFSZ is
// ignored, so a file larger than `ulimit -f` allows fails as a write error
// instead of killing the program with a cut-off file behind it.
class ProcessStopSignals final : public StopSignals {
 public:
  ProcessStopSignals();
  ~ProcessStopSignals() override;
  ProcessStopSignals(const ProcessStopSignals&) = delete;
  ProcessStopSignals& operator=(const ProcessStopSignals&) = delete;

  bool Hold() override;
  bool Held() const override;
  int Pending() const override;
};

// "SIGTERM", "Ctrl-C", "console closed", ...
std::string StopSignalName(int request);
// The exit status of a program that ends because of `request`: 128 plus
// the signal number, as shells report a program a signal ended.
int StopExitCode(int request);

}  // namespace vt::platform
