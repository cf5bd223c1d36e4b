// Profile subcommands: the settings editor without a window. Every command
// reads or writes through the same editor and transfer code as the panel,
// so the texts printed are the ones the pages would show.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <iostream>
#include <memory>
#include <optional>

#include "cli/cli_app.h"
#include "cli/cli_context.h"
#include "cli/json_text.h"
#include "cli/output_paths.h"
#include "cli/profiles_session.h"
#include "cli/text_format.h"
#include "flash/firmware_version.h"
#include "platform/new_file.h"
#include "editor/editor_files.h"
#include "editor/headless_editor.h"
#include "profiles/profile_file.h"
#include "profiles/profile_file_check.h"
#include "profiles/profile_text.h"
#include "profiles/profile_transfer.h"
#include "editor/profile_view.h"
#include "profiles/profiles_report.h"
#include "platform/utf8_path.h"

namespace vt::cli {

namespace {

using platform::MessageAnswer;
using profiles::HeadlessEditor;

bool LoadSource(CliContext& ctx, Session& s, const std::string& source, bool* oneSet = nullptr) {
  return source == "board" ? s.ReadBoard() : LoadFile(ctx, s, source, oneSet);
}

void PrintShown(CliContext& ctx, Session& s, int onlySet, bool json) {
  auto& ed = s.Editor().Editor();
  auto& out = ctx.out;
  const auto main = profiles::ShowMainWindow(ed);
  // Field names are documented in docs/cli.md and kept stable; as JSON keys
  // they are written in snake_case like every other JSON output's.
  nlohmann::ordered_json j = nlohmann::ordered_json::object();
  for (const auto& f : main) {
    if (json) {
      j[JsonKey(f.name)] = f.text;
    } else {
      out << f.name << ": " << f.text << '\n';
    }
  }
  nlohmann::ordered_json sets = nlohmann::ordered_json::array();
  for (int i = 0; i < profiles::kProfileCount; ++i) {
    if (onlySet > 0 && i != onlySet - 1) continue;
    const auto fields = profiles::ShowPage(ed, i);
    if (json) {
      nlohmann::ordered_json list = nlohmann::ordered_json::array();
      for (const auto& f : fields) list.push_back({{"name", f.name}, {"text", f.text}, {"enabled", f.enabled}});
      sets.push_back({{"set", i + 1}, {"fields", std::move(list)}});
    } else {
      out << "\nSet #" << i + 1 << '\n';
      for (const auto& f : fields) {
        out << "  " << f.name << ": " << f.text << (f.enabled ? "" : "  (not used)") << '\n';
      }
    }
  }
  if (json) {
    j["sets"] = std::move(sets);
    out << JsonLine(j);
  }
}

int RunRead(CliContext& ctx, const ProfilesArgs& a) {
  Session s(ctx, a);
  if (!s.ReadBoard()) return ctx.Failed();
  if (a.output.empty()) {
    PrintShown(ctx, s, a.set, false);
    return 0;
  }
  if (profiles::ProfileFileExists(platform::PathFromUtf8(a.output))) {
    if (!s.Confirm(std::string(profiles::kFileExistsPrompt), std::string(profiles::kFileExistsTitle))) return 1;
    // The pages' file command asks the same question again.
    s.Editor().Script().QueueAnswer(MessageAnswer::Yes);
  }
  const auto what = a.set > 0 ? profiles::SaveWhat::kCurrentSet : profiles::SaveWhat::kAllSets;
  const auto result = profiles::WriteProfileFile(s.Editor().Editor(), s.Link(), what, platform::PathFromUtf8(a.output));
  s.ReportMessages();
  if (result != profiles::SaveResult::kSaved) return ctx.Fail("cannot write " + a.output, ExitCode::kWriteFailed);
  ctx.out << "wrote " << a.output << '\n';
  return 0;
}

int RunShow(CliContext& ctx, const ProfilesArgs& a) {
  Session s(ctx, a);
  if (!LoadSource(ctx, s, a.file.empty() ? "board" : a.file)) return ctx.Failed();
  // The board as the panel shows it after starting; a file as File > Open
  // shows it.
  if (a.file.empty()) s.PanelStartUp();
  PrintShown(ctx, s, a.set, a.json);
  return 0;
}

int RunWrite(CliContext& ctx, const ProfilesArgs& a) {
  // A file that will be refused is refused before the board is asked
  // anything; it is read once.
  const auto file = ReadFile(ctx, a.file);
  if (!file) return ctx.Failed();
  Session s(ctx, a);
  // The board's sets first, so a one-set file replaces only its set; the
  // board is held from that read to the end of the write.
  if (!s.HoldBoard() || !s.ReadBoard(true) || !ApplyFile(ctx, s, a.file, *file)) return ctx.Failed();
  // The transfer asks before it writes.
  const bool ok = s.Transfer()->WriteProfilesToBoard(profiles::WriteMode::kWrite);
  if (s.Transfer()->Declined()) return 1;
  return FinishWrite(ctx, s, ok);
}

int RunClear(CliContext& ctx, const ProfilesArgs& a) {
  Session s(ctx, a);
  if (s.Transfer(true) == nullptr) return ctx.Failed();
  // The transfer asks before it clears.
  const bool ok = s.Transfer()->TotalClearReset();
  if (s.Transfer()->Declined()) return 1;
  return FinishWrite(ctx, s, ok, "a cleared settings block, erased and verified");
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
  if (!profiles::SaveProfilesReport(platform::PathFromUtf8(a.output), text, &error)) {
    return ctx.Fail("cannot write " + error, ExitCode::kWriteFailed);
  }
  ctx.out << "wrote " << a.output << '\n';
  return 0;
}

int RunRestore(CliContext& ctx, const ProfilesArgs& a) {
  const auto loaded = profiles::LoadInfoBlockBackup(platform::PathFromUtf8(a.file));
  if (!loaded.block) return ctx.Fail(a.file + ": " + loaded.error, ExitCode::kRefusedInput);
  Session s(ctx, a);
  if (s.Transfer(true) == nullptr) return ctx.Failed();
  // Checked against the board before anything is asked or written.
  const std::string serial = s.Link()->Identity().SerialText();
  std::string firmware;
  if (flash::FirmwareVersion v; flash::ReadBoardFirmwareVersion(*s.Link(), &v)) {
    firmware = std::to_string(v.series) + "." + std::to_string(v.minor) + "." + std::to_string(v.build);
    s.Transfer()->NoteBoardFirmware(firmware);
  }
  const auto check = profiles::CheckBackupForBoard(platform::PathFromUtf8(a.file), loaded, serial, firmware, a.force);
  if (!check.ok) return ctx.Fail(check.message, ExitCode::kRefusedInput);
  if (!check.message.empty()) ctx.out << check.message << '\n';
  ctx.out << "This replaces the whole settings block of board " << profiles::BackupFolderName(serial)
          << " (the block now on it is saved first).\n";
  if (!s.Confirm("The settings block of Velotrack will be replaced by\n" + a.file + "\n\nAre you sure?",
                 "Restore")) {
    return 1;
  }
  s.Editor().Script().ClearRecord();
  const bool ok = s.Transfer()->RestoreInfoBlock(*loaded.block);
  if (ok && s.Transfer()->ChecksumsKept() > 0) {
    ctx.out << "The board's firmware checksums were kept: the backup's describe the firmware it ran then.\n";
  }
  return FinishWrite(ctx, s, ok, "the settings block of " + a.file + ", written and verified");
}

int RunConvert(CliContext& ctx, const ProfilesArgs& a) {
  if (!CheckOutputIsNotInput(ctx, a.output, a.file)) return ctx.Failed();
  const auto read = profiles::ReadCheckedProfileFile(platform::PathFromUtf8(a.file));
  if (!read.bytes) return ctx.Fail(read.error, ExitCode::kRefusedInput);
  const auto parsed = profiles::ParseProfileFile(*read.bytes);
  if (!parsed.file || parsed.file->records.empty()) {
    return ctx.Fail(a.file + ": not a profile file the panel loads", ExitCode::kRefusedInput);
  }
  // Only the header and body go out: bytes past the body are not part of
  // the file's contents.
  std::vector<uint8_t> bytes(*read.bytes);
  bytes.resize(profiles::kProfileFileHeaderSize + parsed.file->records.size() * profiles::kRecordSize);
  const std::string error = profiles::WriteProfileFileAnyForm(platform::PathFromUtf8(a.output), bytes);
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
  std::string lines;  // after the two lines naming the sides
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  auto compare = [&](int set, const std::vector<profiles::ShownField>& x, const std::vector<profiles::ShownField>& y) {
    for (size_t k = 0; k < x.size() && k < y.size(); ++k) {
      if (x[k].text == y[k].text && x[k].name == y[k].name) continue;
      ++differences;
      if (a.json) {
        list.push_back({{"set", set > 0 ? nlohmann::ordered_json(set) : nlohmann::ordered_json(nullptr)},
                        {"name", x[k].name}, {"a", x[k].text}, {"b", y[k].text}});
      } else {
        lines += (set > 0 ? "Set #" + std::to_string(set) + ": " : std::string()) + x[k].name + ": A " +
                 x[k].text + " | B " + y[k].text + '\n';
      }
    }
  };
  if (compareMain) {
    compare(0, profiles::ShowMainWindow(left.Editor().Editor()), profiles::ShowMainWindow(right.Editor().Editor()));
  }
  for (int i = 0; i < profiles::kProfileCount; ++i) {
    if (onlySet > 0 && i != onlySet - 1) continue;
    compare(i + 1, profiles::ShowPage(left.Editor().Editor(), i), profiles::ShowPage(right.Editor().Editor(), i));
  }
  if (a.json) {
    ctx.out << JsonLine({{"a", a.file}, {"b", a.other}, {"differences", std::move(list)}});
  } else if (differences == 0) {
    ctx.out << "no differences\n";
  } else {
    ctx.out << "A: " << OneLine(a.file) << "\nB: " << OneLine(a.other) << '\n' << lines;
  }
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
    cmd->add_option("--backup-dir", a->backupDir,
                    std::string("where the block is saved before it is erased (default: ") +
                        platform::UserBackupRootText() + ")");
  };
  // A read that finds the block damaged names the newest sound backup there.
  auto backupLookOption = [a](CLI::App* cmd) {
    cmd->add_option("--backup-dir", a->backupDir,
                    std::string("where backups are looked for when the block is damaged (default: ") +
                        platform::UserBackupRootText() + ")");
  };

  auto* read = group->add_subcommand("read", "read the profiles; save them to a profile file with -o");
  read->add_option("-o,--output", a->output, "profile file to write (*.dat, or *.toml for text)");
  setOption(read, "only this set (a one-profile file)");
  yesFlag(read);
  backupLookOption(read);
  read->callback([&ctx, a] { ctx.exitCode = RunRead(ctx, *a); });

  auto* show = group->add_subcommand("show", "print what each settings page shows");
  show->add_option("--file", a->file, "a profile file instead of the board");
  setOption(show, "only this set");
  show->add_flag("--json", a->json, "JSON output");
  backupLookOption(show);
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
  restore->add_flag("--force", a->force, "restore a backup saved from another board of the same kind");
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
  diff->add_flag("--json", a->json, "JSON output: {a, b, differences: [{set, name, a, b}]}");
  diff->callback([&ctx, a] { ctx.exitCode = RunDiff(ctx, *a); });

  RegisterProfileValueCommands(*group, ctx, a);
}

}  // namespace vt::cli
