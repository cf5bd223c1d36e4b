#include "cli/profiles_session.h"

#include <unistd.h>

#include <iostream>

#include "cli/held_stop.h"
#include "cli/text_format.h"
#include "profiles/editor_files.h"
#include "profiles/profile_file.h"
#include "profiles/profile_file_check.h"
#include "profiles/profile_text.h"
#include "profiles/settings_editor.h"
#include "platform/utf8_path.h"

namespace vt::cli {

using platform::MessageAnswer;

Session::Session(CliContext& ctx, const ProfilesArgs& args) : ctx_(ctx), args_(args) {
  if (args.set > 0) editor_.SelectSet(args.set - 1);
}

profiles::ProfileTransfer* Session::Transfer(bool changesBoard) {
  if (transfer_) return transfer_.get();
  devlink::BoardLink* link = ctx_.Board(changesBoard);
  if (link == nullptr) return nullptr;
  link_ = link;
  transfer_ = std::make_unique<profiles::ProfileTransfer>(*link, editor_.Editor());
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
  editor_.Editor().HandleCommand(editor_.MainWindow(), profiles::editor_cmd::kServoUnitsDegrees);
}

bool Session::Confirm(const std::string& text, const std::string& caption) {
  if (args_.yes) {
    editor_.Script().QueueAnswer(MessageAnswer::Yes);
    return true;
  }
  if (isatty(STDIN_FILENO) == 0) {
    ctx_.Fail("\"" + OneLine(text) + "\" needs an answer: run again with --yes (stdin is not a terminal)");
    return false;
  }
  ctx_.out << caption << ": " << OneLine(text) << " [y/N] " << std::flush;
  std::string answer;
  if (!std::getline(std::cin, answer) || (answer != "y" && answer != "Y" && answer != "yes")) {
    ctx_.out << "Nothing done.\n";
    return false;
  }
  editor_.Script().QueueAnswer(MessageAnswer::Yes);
  return true;
}

void Session::ReportMessages() {
  const auto& boxes = editor_.Script().MessageBoxes();
  for (; shown_ < boxes.size(); ++shown_) {
    const auto& r = boxes[shown_].request;
    if (r.buttons == platform::MessageButtons::Ok) ctx_.err << r.caption << ": " << OneLine(r.text) << '\n';
  }
}

void Session::SkipMessages() { shown_ = editor_.Script().MessageBoxes().size(); }

std::string Session::Status() {
  return editor_.Ui().GetText(editor_.MainWindow(), profiles::transfer_ui::kStatusField);
}

bool LoadFile(CliContext& ctx, Session& s, const std::string& path, bool* oneSet) {
  const auto read = profiles::ReadCheckedProfileFile(platform::PathFromUtf8(path));
  if (!read.bytes) return ctx.Fail(read.error, ExitCode::kRefusedInput) == 0;
  const auto parsed = profiles::ParseProfileFile(*read.bytes);
  if (!parsed.file) {
    return ctx.Fail(path + ": " + (parsed.message.empty() ? "not a profile file" : OneLine(parsed.message)),
                    ExitCode::kRefusedInput) == 0;
  }
  if (oneSet != nullptr) {
    *oneSet = parsed.file->kind == static_cast<uint8_t>(profiles::ProfileFileKind::kOneProfile);
  }
  s.Editor().Script().QueueAnswer(MessageAnswer::Yes);  // the on-screen question
  if (profiles::LoadProfileFile(s.Editor().Editor(), platform::PathFromUtf8(path)) != profiles::OpenResult::kLoaded) {
    return ctx.Fail(path + ": nothing to load", ExitCode::kRefusedInput) == 0;
  }
  return true;
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
