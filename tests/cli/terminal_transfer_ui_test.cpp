// The transfer's terminal side: how a question is answered without a
// window, and what is kept of notices and the status line.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "cli/cli_context.h"
#include "cli/exit_codes.h"
#include "cli/terminal_transfer_ui.h"
#include "editor/headless_editor.h"
#include "profiles/transfer_ui.h"

namespace vt::cli {
namespace {

struct Terminal {
  explicit Terminal(bool yes, bool interactive, const std::string& typed = {}) : in(typed) {
    ui = std::make_unique<TerminalTransferUi>(ctx, yes, interactive, in, pages.Editor());
  }
  std::ostringstream out;
  std::ostringstream err;
  CliContext ctx{out, err};
  std::istringstream in;
  profiles::HeadlessEditor pages;
  std::unique_ptr<TerminalTransferUi> ui;
};

TEST(TerminalTransferUi, YesAnswersWithoutAskingAndNoTerminalRefusesWithAReason) {
  Terminal yes(true, false);
  EXPECT_TRUE(yes.ui->Ask("All profile settings in Velotrack will be overwritten\n\nAre you sure?", "PC->Velotrack"));
  EXPECT_EQ(yes.out.str(), "");

  Terminal piped(false, false, "y\n");
  EXPECT_FALSE(piped.ui->Ask("Are you sure?", "PC->Velotrack"));
  EXPECT_NE(piped.err.str().find("--yes"), std::string::npos) << piped.err.str();
  EXPECT_EQ(piped.in.tellg(), 0) << "nothing may be read from a pipe";
  // None of the pages' questions was used for it.
  EXPECT_TRUE(piped.pages.Script().MessageBoxes().empty());
}

TEST(TerminalTransferUi, OnlyYTakesTheTerminalQuestion) {
  Terminal agreed(false, true, "y\n");
  EXPECT_TRUE(agreed.ui->Ask("All profile settings in Velotrack will be overwritten\n\nAre you sure?",
                             "PC->Velotrack"));
  EXPECT_EQ(agreed.out.str().rfind("PC->Velotrack: ", 0), 0u) << agreed.out.str();
  EXPECT_NE(agreed.out.str().find(" [y/N] "), std::string::npos);

  for (const char* typed : {"n\n", "\n", "", "yes please\n"}) {
    Terminal declined(false, true, typed);
    EXPECT_FALSE(declined.ui->Ask("Are you sure?", "Restore")) << typed;
    EXPECT_NE(declined.out.str().find("Nothing done.\n"), std::string::npos) << typed;
  }
}

TEST(TerminalTransferUi, NoticesAreKeptAsOneLineAndTheResultAsItsText) {
  Terminal t(true, false);
  t.ui->ShowMessage("Write to Velotrack failed\nTry to re-plug a device", "Write Error");
  ASSERT_EQ(t.ui->Messages().size(), 1u);
  EXPECT_EQ(t.ui->Messages()[0].rfind("Write Error: Write to Velotrack failed", 0), 0u);
  EXPECT_EQ(t.ui->Messages()[0].find('\n'), std::string::npos);
  t.ui->ShowResult(profiles::kTransferIoError);
  EXPECT_EQ(t.ui->Status(), "Velotrack I/O Error");
  EXPECT_EQ(t.err.str(), "") << "notices are printed by the command, once";
}

}  // namespace
}  // namespace vt::cli
