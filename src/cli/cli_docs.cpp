#include "cli/cli_docs.h"

namespace vt::cli {

docgen::ManPageText CliManPageText() {
  docgen::ManPageText text;
  text.description =
      "Every command talks to one board, found at the address --board names.\n"
      "Errors are one line on standard error starting with \"error: \".";
  text.exitStatus = {
      {"0", "Success; profiles diff: no differences."},
      {"1", "Failure without a code of its own (a question answered No); profiles diff: differences found."},
      {"2", "Usage error: no command, an unknown command or option, a malformed argument, a value a setting does not take."},
      {"3", "No board at the address, or none with the serial given with --serial."},
      {"4", "The board is busy: another program holds it."},
      {"5", "The board server named by --board is unreachable."},
      {"6", "An input file was refused; nothing was written to the board."},
      {"7", "A write failed or could not be verified; the message names the backup when one was taken."},
      {"8", "Several boards at the address and no --serial for a command that changes a board."},
  };
  text.seeAlso = {"velotrack-panel", "velotrack-board"};
  return text;
}

}  // namespace vt::cli
