// Profile subcommands: the settings editor without a window. Every command
// reads or writes through the same editor and transfer code as the panel,
// so the texts printed are the ones the pages would show.
#include <CLI/CLI.hpp>
#include <unistd.h>

#include <iostream>
#include <memory>
#include <optional>

#include "cli/cli_app.h"
#include "cli/cli_context.h"
#include "cli/text_format.h"
#include "profiles/editor_files.h"
#include "profiles/headless_editor.h"
#include "profiles/profile_file.h"
#include "profiles/profile_text.h"
#include "profiles/profile_transfer.h"
#include "profiles/profile_view.h"
#include "profiles/profiles_report.h"

namespace vt::cli {

namespace {

using platform::MessageAnswer;
using profiles::HeadlessEditor;

struct ProfilesArgs {
  std::string output;
  std::string file;
  std::string other;
  int set = 0;  // 1..7; 0 when not given
  bool json = false;
  bool yes = false;
  std::string backupDir;
};

// One command's editor, board link and questions.
class Session {
 public:
  Session(CliContext& ctx, const ProfilesArgs& args) : ctx_(ctx), args_(args) {
    if (args.set > 0) editor_.SelectSet(args.set - 1);
  }

  HeadlessEditor& Editor() { return editor_; }

  // The board and its transfer; nullptr after printing why.
  profiles::ProfileTransfer* Transfer() {
    if (transfer_) return transfer_.get();
    devlink::BoardLink* link = ctx_.Board();
    if (link == nullptr) return nullptr;
    link_ = link;
    transfer_ = std::make_unique<profiles::ProfileTransfer>(*link, editor_.Editor());
    if (!args_.backupDir.empty()) transfer_->SetBackupRoot(args_.backupDir);
    return transfer_.get();
  }
  devlink::BoardLink* Link() { return link_; }

  bool ReadBoard() {
    profiles::ProfileTransfer* t = Transfer();
    if (t == nullptr) return false;
    const bool ok = t->ReadProfilesFromBoard(false);
    ReportMessages();
    if (!ok) ctx_.Fail("reading the profiles failed: " + Status());
    return ok;
  }

  // Asks the question on the terminal, or takes --yes. Without --yes and
  // without a terminal nothing is asked and the answer is No. A Yes is
  // handed on to the editor, which asks the same question.
  bool Confirm(const std::string& text, const std::string& caption) {
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

  // Messages the editor showed (errors) go to stderr.
  void ReportMessages() {
    const auto& boxes = editor_.Script().MessageBoxes();
    for (; shown_ < boxes.size(); ++shown_) {
      const auto& r = boxes[shown_].request;
      if (r.buttons == platform::MessageButtons::Ok) ctx_.err << r.caption << ": " << OneLine(r.text) << '\n';
    }
  }

  std::string Status() {
    return editor_.Ui().GetText(editor_.MainWindow(), profiles::transfer_ui::kStatusField);
  }

 private:
  CliContext& ctx_;
  const ProfilesArgs& args_;
  HeadlessEditor editor_;
  devlink::BoardLink* link_ = nullptr;
  std::unique_ptr<profiles::ProfileTransfer> transfer_;
  size_t shown_ = 0;
};

// Loads a profile file into the editor: all sets, or its one record into
// the current set (then *oneSet is true). False after printing why.
bool LoadFile(CliContext& ctx, Session& s, const std::string& path, bool* oneSet = nullptr) {
  const auto read = profiles::ReadProfileFileAnyForm(path);
  if (!read.bytes) return ctx.Fail(read.error, ExitCode::kRefusedInput) == 0;
  const auto parsed = profiles::ParseProfileFile(*read.bytes);
  if (!parsed.file) {
    return ctx.Fail(path + ": " + (parsed.message.empty() ? "not a profile file" : OneLine(parsed.message)), ExitCode::kRefusedInput) == 0;
  }
  if (oneSet != nullptr) {
    *oneSet = parsed.file->kind == static_cast<uint8_t>(profiles::ProfileFileKind::kOneProfile);
  }
  s.Editor().Script().QueueAnswer(MessageAnswer::Yes);  // the on-screen question
  if (profiles::LoadProfileFile(s.Editor().Editor(), path) != profiles::OpenResult::kLoaded) {
    return ctx.Fail(path + ": nothing to load", ExitCode::kRefusedInput) == 0;
  }
  return true;
}

bool LoadSource(CliContext& ctx, Session& s, const std::string& source, bool* oneSet = nullptr) {
  return source == "board" ? s.ReadBoard() : LoadFile(ctx, s, source, oneSet);
}

void PrintShown(CliContext& ctx, Session& s, int onlySet, bool json) {
  auto& ed = s.Editor().Editor();
  auto& out = ctx.out;
  const auto main = profiles::ShowMainWindow(ed);
  if (json) {
    out << "{";
    for (const auto& f : main) out << profiles::JsonString(f.name) << ": " << profiles::JsonString(f.text) << ", ";
    out << "\"sets\": [";
  } else {
    for (const auto& f : main) out << f.name << ": " << f.text << '\n';
  }
  bool first = true;
  for (int i = 0; i < profiles::kProfileCount; ++i) {
    if (onlySet > 0 && i != onlySet - 1) continue;
    const auto fields = profiles::ShowPage(ed, i);
    if (json) {
      out << (first ? "" : ", ") << "{\"set\": " << i + 1 << ", \"fields\": [";
      for (size_t k = 0; k < fields.size(); ++k) {
        out << (k ? ", " : "") << "{\"name\": " << profiles::JsonString(fields[k].name)
            << ", \"text\": " << profiles::JsonString(fields[k].text)
            << ", \"enabled\": " << (fields[k].enabled ? "true" : "false") << "}";
      }
      out << "]}";
    } else {
      out << "\nSet #" << i + 1 << '\n';
      for (const auto& f : fields) {
        out << "  " << f.name << ": " << f.text << (f.enabled ? "" : "  (not used)") << '\n';
      }
    }
    first = false;
  }
  if (json) out << "]}\n";
}

int RunRead(CliContext& ctx, const ProfilesArgs& a) {
  Session s(ctx, a);
  if (!s.ReadBoard()) return ctx.Failed();
  if (a.output.empty()) {
    PrintShown(ctx, s, a.set, false);
    return 0;
  }
  if (profiles::ProfileFileExists(a.output) &&
      !s.Confirm(std::string(profiles::kFileExistsPrompt), std::string(profiles::kFileExistsTitle))) {
    return 1;
  }
  const auto what = a.set > 0 ? profiles::SaveWhat::kCurrentSet : profiles::SaveWhat::kAllSets;
  const auto result = profiles::WriteProfileFile(s.Editor().Editor(), s.Link(), what, a.output);
  s.ReportMessages();
  if (result != profiles::SaveResult::kSaved) return ctx.Fail("cannot write " + a.output, ExitCode::kWriteFailed);
  ctx.out << "wrote " << a.output << '\n';
  return 0;
}

int RunShow(CliContext& ctx, const ProfilesArgs& a) {
  Session s(ctx, a);
  if (!LoadSource(ctx, s, a.file.empty() ? "board" : a.file)) return ctx.Failed();
  PrintShown(ctx, s, a.set, a.json);
  return 0;
}

int FinishWrite(CliContext& ctx, Session& s, bool ok) {
  s.ReportMessages();
  const auto* t = s.Transfer();
  if (!ok) {
    std::string why = "Velotrack I/O Error";
    if (t != nullptr && !t->LastBackup().empty()) {
      why += "; the block as it was is saved in " + t->LastBackup().string() +
             " (velotrack profiles restore " + t->LastBackup().string() + " --yes puts it back)";
    }
    return ctx.Fail(why, ExitCode::kWriteFailed);
  }
  if (t != nullptr && !t->LastBackup().empty()) {
    ctx.out << "backup of the previous block: " << t->LastBackup().string() << '\n';
  }
  ctx.out << "OK\n";
  return 0;
}

int RunWrite(CliContext& ctx, const ProfilesArgs& a) {
  Session s(ctx, a);
  // The board's sets first, so a one-set file replaces only its set.
  if (!s.ReadBoard() || !LoadFile(ctx, s, a.file)) return ctx.Failed();
  if (!s.Confirm("All profile settings in Velotrack will be overwritten\n\nAre you sure?", "PC->Velotrack")) {
    return 1;
  }
  return FinishWrite(ctx, s, s.Transfer()->WriteProfilesToBoard(profiles::WriteMode::kWrite));
}

int RunClear(CliContext& ctx, const ProfilesArgs& a) {
  Session s(ctx, a);
  if (s.Transfer() == nullptr) return ctx.Failed();
  if (!s.Confirm("All profiles data and firmware settings\nin Velotrack will be deleted!\n\nYou have to update "
                 "the firmware and\nchoose all profile settings again\n\nAre you sure?",
                 "Total Clear to Velotrack")) {
    return 1;
  }
  return FinishWrite(ctx, s, s.Transfer()->TotalClearReset());
}

int RunReport(CliContext& ctx, const ProfilesArgs& a) {
  Session s(ctx, a);
  if (!s.ReadBoard()) return ctx.Failed();
  const std::string text =
      profiles::WriteProfilesReport(s.Editor().Editor().Tables(), profiles::CurrentUtcReportTime());
  if (a.output.empty()) {
    ctx.out << text;
    return 0;
  }
  std::string error;
  if (!profiles::SaveProfilesReport(a.output, text, &error)) {
    return ctx.Fail("cannot write " + error, ExitCode::kWriteFailed);
  }
  ctx.out << "wrote " << a.output << '\n';
  return 0;
}

int RunRestore(CliContext& ctx, const ProfilesArgs& a) {
  const auto loaded = profiles::LoadInfoBlockBackup(a.file);
  if (!loaded.block) return ctx.Fail(a.file + ": " + loaded.error, ExitCode::kRefusedInput);
  Session s(ctx, a);
  if (s.Transfer() == nullptr) return ctx.Failed();
  if (!s.Confirm("The settings block of Velotrack will be replaced by\n" + a.file + "\n\nAre you sure?",
                 "Restore")) {
    return 1;
  }
  s.Editor().Script().ClearRecord();
  return FinishWrite(ctx, s, s.Transfer()->RestoreInfoBlock(*loaded.block));
}

int RunConvert(CliContext& ctx, const ProfilesArgs& a) {
  const auto read = profiles::ReadProfileFileAnyForm(a.file);
  if (!read.bytes) return ctx.Fail(read.error, ExitCode::kRefusedInput);
  const auto parsed = profiles::ParseProfileFile(*read.bytes);
  if (!parsed.file || parsed.file->records.empty()) {
    return ctx.Fail(a.file + ": not a profile file the panel loads", ExitCode::kRefusedInput);
  }
  // Only the header and body go out: bytes past the body are not part of
  // the file's contents.
  std::vector<uint8_t> bytes(*read.bytes);
  bytes.resize(profiles::kProfileFileHeaderSize + parsed.file->records.size() * profiles::kRecordSize);
  const std::string error = profiles::WriteProfileFileAnyForm(a.output, bytes);
  if (!error.empty()) return ctx.Fail("cannot write " + a.output + ": " + error, ExitCode::kWriteFailed);
  ctx.out << "wrote " << a.output << '\n';
  return 0;
}

int RunDiff(CliContext& ctx, const ProfilesArgs& a) {
  Session left(ctx, a);
  Session right(ctx, a);
  bool leftOne = false;
  bool rightOne = false;
  if (!LoadSource(ctx, left, a.file, &leftOne) || !LoadSource(ctx, right, a.other, &rightOne)) return ctx.Failed();
  // A one-profile file holds one set: only that set is compared.
  const int onlySet = a.set > 0 ? a.set : (leftOne || rightOne ? 1 : 0);
  const bool compareMain = !leftOne && !rightOne;
  size_t differences = 0;
  auto compare = [&](const std::string& where, const std::vector<profiles::ShownField>& x,
                     const std::vector<profiles::ShownField>& y) {
    for (size_t k = 0; k < x.size() && k < y.size(); ++k) {
      if (x[k].text == y[k].text && x[k].name == y[k].name) continue;
      ++differences;
      ctx.out << where << x[k].name << ": " << x[k].text << " | " << y[k].text << '\n';
    }
  };
  if (compareMain) {
    compare("", profiles::ShowMainWindow(left.Editor().Editor()),
            profiles::ShowMainWindow(right.Editor().Editor()));
  }
  for (int i = 0; i < profiles::kProfileCount; ++i) {
    if (onlySet > 0 && i != onlySet - 1) continue;
    compare("Set #" + std::to_string(i + 1) + ": ", profiles::ShowPage(left.Editor().Editor(), i),
            profiles::ShowPage(right.Editor().Editor(), i));
  }
  if (differences == 0) ctx.out << "no differences\n";
  return differences == 0 ? 0 : 1;
}

}  // namespace

void RegisterProfilesCommands(CLI::App& app, CliContext& ctx) {
  auto* group = app.add_subcommand("profiles", "the board's seven profiles, as the settings pages show them");
  group->require_subcommand(1);
  auto a = std::make_shared<ProfilesArgs>();
  auto setOption = [a](CLI::App* cmd, const char* what) {
    cmd->add_option("--set", a->set, what)->check(CLI::Range(1, 7));
  };
  auto yesFlag = [a](CLI::App* cmd) { cmd->add_flag("--yes,-y", a->yes, "answer Yes to every question"); };
  auto backupOption = [a](CLI::App* cmd) {
    cmd->add_option("--backup-dir", a->backupDir, "where the block is saved before it is erased");
  };

  auto* read = group->add_subcommand("read", "read the profiles; save them to a profile file with -o");
  read->add_option("-o,--output", a->output, "profile file to write (*.dat, or *.toml for text)");
  setOption(read, "only this set (a one-profile file)");
  yesFlag(read);
  read->callback([&ctx, a] { ctx.exitCode = RunRead(ctx, *a); });

  auto* show = group->add_subcommand("show", "print what each settings page shows");
  show->add_option("--file", a->file, "a profile file instead of the board");
  setOption(show, "only this set");
  show->add_flag("--json", a->json, "JSON output");
  show->callback([&ctx, a] { ctx.exitCode = RunShow(ctx, *a); });

  auto* write = group->add_subcommand("write", "load a profile file as File > Open does, then save to the board");
  write->add_option("FILE", a->file, "profile file (*.dat or *.toml)")->required();
  setOption(write, "the set a one-profile file goes to (default 1)");
  yesFlag(write);
  backupOption(write);
  write->callback([&ctx, a] { ctx.exitCode = RunWrite(ctx, *a); });

  auto* clear = group->add_subcommand("clear", "Total Clear: erase the whole settings block");
  yesFlag(clear);
  backupOption(clear);
  clear->callback([&ctx, a] { ctx.exitCode = RunClear(ctx, *a); });

  auto* report = group->add_subcommand("report", "the profiles text report");
  report->add_option("-o,--output", a->output, "file to write instead of printing");
  report->callback([&ctx, a] { ctx.exitCode = RunReport(ctx, *a); });

  auto* restore = group->add_subcommand("restore", "put a saved settings block back on the board");
  restore->add_option("BACKUP", a->file, "backup file (2048 bytes)")->required();
  yesFlag(restore);
  backupOption(restore);
  restore->callback([&ctx, a] { ctx.exitCode = RunRestore(ctx, *a); });

  auto* convert = group->add_subcommand(
      "convert", "convert a profile file between the binary form (*.dat) and text (*.toml), by extension");
  convert->add_option("IN", a->file, "profile file to read")->required();
  convert->add_option("OUT", a->output, "profile file to write (replaced)")->required();
  convert->callback([&ctx, a] { ctx.exitCode = RunConvert(ctx, *a); });

  auto* diff = group->add_subcommand("diff", "compare two profile sets (files or 'board')");
  diff->add_option("A", a->file, "profile file or 'board'")->required();
  diff->add_option("B", a->other, "profile file or 'board'")->required();
  setOption(diff, "only this set; the set a one-profile file is compared as");
  diff->callback([&ctx, a] { ctx.exitCode = RunDiff(ctx, *a); });
}

}  // namespace vt::cli
