#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "devlink/board_link.h"
#include "platform/debug_log.h"
#include "app/board_backend.h"
#include "cli/board_choice_hid.h"
#include "cli/exit_codes.h"

namespace vt::cli {

// Options every subcommand shares.
struct CliOptions {
  std::string board = "auto";
  std::string serial;  // the board to use among several; empty: the only one
  std::string traceFile;
  // How long to wait for a board that another program is changing.
  unsigned busyWaitSeconds = 20;
};

// What a subcommand works with: its output streams, the shared options and,
// built on first use, the board backend and the link to the board. Commands
// report a failure through Fail(), which prints one line and gives the exit
// status.
class CliContext {
 public:
  CliContext(std::ostream& outStream, std::ostream& errStream) : out(outStream), err(errStream) {}
  ~CliContext();
  CliContext(const CliContext&) = delete;
  CliContext& operator=(const CliContext&) = delete;

  std::ostream& out;
  std::ostream& err;
  CliOptions options;
  // Asked by long-running commands (messages --follow) between polls.
  std::function<bool()> stopRequested = [] { return false; };
  // The program's stop requests, held while a board's flash changes; none
  // in tests that run commands in-process.
  platform::StopSignals* stopSignals = nullptr;
  // The exit status of the subcommand that ran.
  int exitCode = 0;

  // "error: <message>" on err; returns `code` as the exit status.
  int Fail(const std::string& message, ExitCode code = ExitCode::kFailure);

  // The code of the last Fail(): what a command returns after a helper
  // (Backend, Link, Board, ...) has already printed the reason.
  int Failed() const { return ToInt(lastFailure_); }

  // The backend named by --board (and --trace). nullptr after Fail().
  app::BoardBackend* Backend();
  // A link with its HID backend loaded. nullptr after Fail().
  devlink::BoardLink* Link();
  // A link to a detected board; fails with "no board found" otherwise.
  // `changesBoard`: the command changes the board, so with several boards
  // at the address one must be chosen with --serial.
  devlink::BoardLink* Board(bool changesBoard = false);
  // Also fails with "the board is busy: ..." (after the bounded wait) when
  // another program holds the board and keeps it from answering.
  // After an operation, a read as much as a write: fails with the busy exit
  // code and the holder when the board was held by another program, else
  // with `code`.
  int FailWrite(const std::string& message, ExitCode code);

  // Ends the session (a virtual board's flash file is written back). False
  // after printing the reason.
  bool Finish();

 private:
  std::unique_ptr<app::BoardBackend> backend_;
  platform::DebugLog log_;
  std::unique_ptr<BoardChoiceHid> choice_;  // before link_: the link uses it
  std::unique_ptr<devlink::BoardLink> link_;
  std::FILE* trace_ = nullptr;
  bool traceChecked_ = false;
  ExitCode lastFailure_ = ExitCode::kFailure;
  bool remote_ = false;  // --board names a board server

  // Refuses an unknown --serial, and several boards without one for a
  // command that changes a board. False after printing why.
  bool CheckBoardChoice(bool changesBoard);
  // Who holds one of the boards for changing its flash, or empty.
  std::string BusyBoard();
};

}  // namespace vt::cli
