#pragma once

// The profile transfer's terminal side for the `profiles` commands: the
// question is asked on the terminal (or answered by --yes), notices are kept
// for the command to print as error lines, the status line is remembered,
// and the records go in and out of the command's headless pages, whose
// loading decides the words a write sends as the panel's pages do.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_context.h"
#include "editor/settings_editor.h"
#include "profiles/transfer_ui.h"

namespace vt::cli {

class TerminalTransferUi final : public profiles::TransferUi {
 public:
  // `in` is the answer's source; `interactive` whether it is a terminal.
  TerminalTransferUi(CliContext& ctx, bool yes, bool interactive, std::istream& in, profiles::SettingsEditor& pages)
      : ctx_(ctx), yes_(yes), interactive_(interactive), in_(in), pages_(pages) {}

  // With --yes, Yes. Without --yes and without a terminal nothing is asked:
  // the answer is No and the command fails saying --yes is needed. On the
  // terminal anything but "y", "Y" or "yes" is No ("Nothing done.").
  bool Ask(std::string_view text, std::string_view caption) override;
  void ShowMessage(std::string_view text, std::string_view caption) override;
  void SetStatus(std::string_view text) override { status_ = std::string(text); }
  void ShowSerial(std::string_view) override {}
  void ShowFirmware(std::string_view) override {}
  // The command line offers no update in the middle of a profile command.
  void OfferUpgrade() override {}
  void ShowProfiles(std::span<const uint8_t> records) override { pages_.LoadProfilesIntoEditor(records); }
  profiles::ProfileRecordsBytes ProfilesToWrite() override { return pages_.StoreProfiles(); }

  // The notices so far, "caption: text" on one line each.
  const std::vector<std::string>& Messages() const { return messages_; }
  // The status line as the last operation left it ("OK").
  const std::string& Status() const { return status_; }

 private:
  CliContext& ctx_;
  bool yes_;
  bool interactive_;
  std::istream& in_;
  profiles::SettingsEditor& pages_;
  std::vector<std::string> messages_;
  std::string status_;
};

}  // namespace vt::cli
