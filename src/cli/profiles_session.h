#pragma once

// What the profile subcommands share: their options and one command's
// pages, board link and questions. The transfer talks to the terminal
// through TerminalTransferUi; the headless pages hold the words read or to
// be written and give the texts `show` and `diff` print.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "cli/terminal_transfer_ui.h"
#include "devlink/board_claim.h"
#include "editor/headless_editor.h"
#include "profiles/profile_file.h"
#include "profiles/profile_transfer.h"

namespace CLI {
class App;
}

namespace vt::cli {

struct ProfilesArgs {
  std::string output;
  std::string file;
  std::string other;
  int set = 0;  // 1..7; 0 when not given
  bool json = false;
  bool yes = false;
  bool force = false;  // restore: a backup from another board of the same kind
  std::string backupDir;
  std::vector<std::string> items;  // get: KEY...; set: KEY=VALUE...
};

// One command's pages, board link and questions.
class Session {
 public:
  Session(CliContext& ctx, const ProfilesArgs& args);

  profiles::HeadlessEditor& Editor() { return editor_; }

  // The board and its transfer; nullptr after printing why. A command that
  // changes the board asks for one board only (`--serial` among several).
  profiles::ProfileTransfer* Transfer(bool changesBoard = false);
  devlink::BoardLink* Link() { return link_; }

  // Reads the seven sets from the board into the editor.
  bool ReadBoard(bool changesBoard = false);

  // Holds the board from now until the session ends, so that a command
  // that reads the sets, changes them and writes them back is one
  // conversation: nothing another program writes can come in between and
  // be overwritten with what was read before it. False after printing why
  // (the board is busy: exit 4).
  bool HoldBoard();

  // What the panel does once it has read the board on start-up: its servo
  // units menu goes to degrees, so the pages show positions in degrees.
  void PanelStartUp();

  // Asks the question on the terminal, or takes --yes. Without --yes and
  // without a terminal nothing is asked and the answer is No. The transfer
  // asks its own questions the same way.
  bool Confirm(const std::string& text, const std::string& caption) { return ui_.Ask(text, caption); }

  // Notices of the transfer and of the pages' file commands (errors) go to
  // stderr.
  void ReportMessages();
  // Messages shown so far are not printed: the caller prints them as its
  // one error line.
  void SkipMessages();

 private:
  CliContext& ctx_;
  const ProfilesArgs& args_;
  profiles::HeadlessEditor editor_;
  TerminalTransferUi ui_;
  devlink::BoardLink* link_ = nullptr;
  std::unique_ptr<profiles::ProfileTransfer> transfer_;
  std::unique_ptr<devlink::BoardClaim> hold_;  // after link_ and transfer_: let go first
  size_t shownNotices_ = 0;  // of ui_'s
  size_t shownBoxes_ = 0;    // of the pages' message boxes
};

// Reads and parses a profile file (a binary one must pass the file check);
// nothing after printing why.
std::optional<profiles::ProfileFile> ReadFile(CliContext& ctx, const std::string& path);
// Loads a parsed file into the pages as File > Open does: all sets, or its
// one record into the current set (then *oneSet is true). False after
// printing why.
bool ApplyFile(CliContext& ctx, Session& s, const std::string& path, const profiles::ProfileFile& file,
               bool* oneSet = nullptr);
// ReadFile, then ApplyFile.
bool LoadFile(CliContext& ctx, Session& s, const std::string& path, bool* oneSet = nullptr);

// "Velotrack I/O Error: <the step that failed>" (`otherwise` when no step
// is known) for a failed read or write.
std::string StepFailure(const profiles::ProfileTransfer& t, const std::string& otherwise);

// What the board holds after a write that went through.
inline constexpr const char* kHoldsNewSettings = "the new settings, written and verified";

// The end of a command that wrote to the board: the backup taken, and
// "OK" or the failure with its exit status. A stop request that came while
// the write ran ends it with a line saying the board holds `holds`.
int FinishWrite(CliContext& ctx, Session& s, bool ok, const std::string& holds = kHoldsNewSettings);

// `profiles get` and `profiles set`, added to the `profiles` group.
void RegisterProfileValueCommands(CLI::App& group, CliContext& ctx, const std::shared_ptr<ProfilesArgs>& args);

}  // namespace vt::cli
