#pragma once

// The exit status of every `velotrack` command. Scripts branch on these, so
// the numbers never change meaning; docs/cli.md lists them.
namespace vt::cli {

enum class ExitCode : int {
  kOk = 0,
  // Any failure without a code of its own; `profiles diff`: differences found.
  kFailure = 1,
  // The command line could not be parsed, or an argument is malformed.
  kUsage = 2,
  // No board answered at the address (or none with the serial asked for).
  kNoBoard = 3,
  // The board is there but another program holds it.
  kBoardBusy = 4,
  // The board server named by --board refused, did not answer or spoke
  // something else.
  kServerUnreachable = 5,
  // An input file was refused: unreadable, not the expected kind, or with
  // an error in it. Nothing was written to the board.
  kRefusedInput = 6,
  // A write to the board (or to an output file) failed, or what was read
  // back after it does not match.
  kWriteFailed = 7,
  // More than one board at the address and no --serial to pick one; the
  // serials are listed on stderr.
  kManyBoards = 8,
};

constexpr int ToInt(ExitCode code) { return static_cast<int>(code); }

}  // namespace vt::cli
