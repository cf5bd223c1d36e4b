#include "cli/profiles_session.h"

#include <unistd.h>

#include <iostream>

#include "cli/held_stop.h"
#include "cli/text_format.h"
#include "editor/editor_files.h"
#include "profiles/profile_file.h"
#include "profiles/profile_file_check.h"
#include "profiles/profile_text.h"
#include "editor/settings_editor.h"
#include "platform/utf8_path.h"

namespace vt::cli {

Session::Session(CliContext& ctx, const ProfilesArgs& args)
    : ctx_(ctx), args_(args), ui_(ctx, args.yes, isatty(STDIN_FILENO) != 0, std::cin, editor_.Editor()) {
  if (args.set > 0) editor_.SelectSet(args.set - 1);
}

profiles::ProfileTransfer* Session::Transfer(bool changesBoard) {
  if (transfer_) return transfer_.get();
  devlink::BoardLink* link = ctx_.Board(changesBoard);
  if (link == nullptr) return nullptr;
  link_ = link;
  // The pages show the board's kind (the battery cutoff applies to some).
  editor_.Editor().SetBoardIdentity(&link->Identity());
  transfer_ = std::make_unique<profiles::ProfileTransfer>(*link, ui_);
  if (!args_.backupDir.empty()) transfer_->SetBackupRoot(platform::PathFromUtf8(args_.backupDir));
  return transfer_.get();
}

bool Session::ReadBoard(bool changesBoard) {
  profiles::ProfileTransfer* t = Transfer(changesBoard);
  if (t == nullptr) return false;
  const bool ok = t->ReadProfilesFromBoard(false);
  if (t->LastBlockCondition() != flash::BlockCondition::kSound) {
    // Damaged, or erased ("No data"): nothing to show or build upon. One
    // line says what the block is and which backup puts it right.
    SkipMessages();
    ctx_.Fail(OneLine(t->LastMessage()), ExitCode::kRefusedInput);
    return false;
  }
  ReportMessages();
  if (!ok) ctx_.FailWrite(StepFailure(*t, "reading the profiles failed"), ExitCode::kFailure);
  return ok;
}

bool Session::HoldBoard() {
  if (hold_) return true;
  if (Transfer(true) == nullptr) return false;
  auto claim = std::make_unique<devlink::BoardClaim>(*link_);
  if (!claim->Granted()) {
    ctx_.Fail(claim->Refusal(), claim->Busy() ? ExitCode::kBoardBusy : ExitCode::kFailure);
    return false;
  }
  hold_ = std::move(claim);
  return true;
}

void Session::PanelStartUp() {
  editor_.Editor().HandleCommand(editor_.MainWindow(), resources::menu::kDegrees);
}

void Session::ReportMessages() {
  const auto& notices = ui_.Messages();
  for (; shownNotices_ < notices.size(); ++shownNotices_) ctx_.err << notices[shownNotices_] << '\n';
  const auto& boxes = editor_.Script().MessageBoxes();
  for (; shownBoxes_ < boxes.size(); ++shownBoxes_) {
    const auto& r = boxes[shownBoxes_].request;
    if (r.buttons == platform::MessageButtons::Ok) ctx_.err << r.caption << ": " << OneLine(r.text) << '\n';
  }
}

void Session::SkipMessages() {
  shownNotices_ = ui_.Messages().size();
  shownBoxes_ = editor_.Script().MessageBoxes().size();
}

std::optional<profiles::ProfileFile> ReadFile(CliContext& ctx, const std::string& path) {
  const auto read = profiles::ReadCheckedProfileFile(platform::PathFromUtf8(path));
  if (!read.bytes) {
    ctx.Fail(read.error, ExitCode::kRefusedInput);
    return std::nullopt;
  }
  auto parsed = profiles::ParseProfileFile(*read.bytes);
  if (!parsed.file) {
    ctx.Fail(path + ": " + (parsed.message.empty() ? "not a profile file" : OneLine(parsed.message)),
             ExitCode::kRefusedInput);
    return std::nullopt;
  }
  return std::move(parsed.file);
}

bool ApplyFile(CliContext& ctx, Session& s, const std::string& path, const profiles::ProfileFile& file,
               bool* oneSet) {
  if (oneSet != nullptr) *oneSet = file.kind == static_cast<uint8_t>(profiles::ProfileFileKind::kOneProfile);
  if (profiles::ApplyProfileFile(s.Editor().Editor(), file) != profiles::OpenResult::kLoaded) {
    return ctx.Fail(path + ": nothing to load", ExitCode::kRefusedInput) == 0;
  }
  return true;
}

bool LoadFile(CliContext& ctx, Session& s, const std::string& path, bool* oneSet) {
  const auto file = ReadFile(ctx, path);
  return file && ApplyFile(ctx, s, path, *file, oneSet);
}

std::string StepFailure(const profiles::ProfileTransfer& t, const std::string& otherwise) {
  const std::string step = t.FailedStepText();
  return profiles::StatusText(profiles::kTransferIoError) + ": " + (step.empty() ? otherwise : step);
}

int FinishWrite(CliContext& ctx, Session& s, bool ok, const std::string& holds) {
  const auto* t = s.Transfer();
  if (!ok && t != nullptr && t->Refused()) {
    // Refused over the board's block before anything was erased.
    s.SkipMessages();
    return ctx.Fail(OneLine(t->LastMessage()), ExitCode::kRefusedInput);
  }
  if (const int stopped = ReportHeldStop(ctx, ok, holds); stopped != 0) {
    if (ok && t != nullptr && !t->LastBackup().empty()) {
      ctx.out << "backup of the previous block: " << platform::PathToUtf8(t->LastBackup()) << '\n';
    }
    return stopped;
  }
  s.ReportMessages();
  if (!ok) {
    std::string why = t != nullptr ? StepFailure(*t, "writing failed") : std::string("Velotrack I/O Error");
    if (t != nullptr && !t->LastBackup().empty()) {
      why += "; the block as it was is saved in " + platform::PathToUtf8(t->LastBackup()) +
             " (velotrack profiles restore " + platform::PathToUtf8(t->LastBackup()) + " --yes puts it back)";
    }
    return ctx.FailWrite(why, ExitCode::kWriteFailed);
  }
  if (t != nullptr && !t->LastBackup().empty()) {
    ctx.out << "backup of the previous block: " << platform::PathToUtf8(t->LastBackup()) << '\n';
  }
  ctx.out << "OK\n";
  return 0;
}

}  // namespace vt::cli
