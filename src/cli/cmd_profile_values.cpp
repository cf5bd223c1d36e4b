// `profiles get` and `profiles set`: single settings by the dotted keys of
// the text form, on a profile file or on the board. A board's sets are read,
// changed and written back through the editor, with its backup and verify.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "cli/cli_app.h"
#include "cli/json_text.h"
#include "cli/profiles_session.h"
#include "cli/text_format.h"
#include "flash/firmware_version.h"
#include "platform/new_file.h"
#include "profiles/profile_file.h"
#include "profiles/profile_file_check.h"
#include "profiles/profile_text.h"
#include "profiles/profile_text_edit.h"
#include "platform/utf8_path.h"

namespace vt::cli {
namespace {

using profiles::TextValue;

// The board's sets as an all-sets profile file, as File > Save All writes it.
std::vector<uint8_t> BoardFile(Session& s) {
  profiles::ProfileFileInfo info;
  devlink::BoardLink* link = s.Link();
  info.serial = profiles::ProfileFileSerial(link->Identity());
  flash::FirmwareVersion version;
  if (flash::ReadBoardFirmwareVersion(*link, &version)) {
    info.firmwareVersion = profiles::FirmwareVersionText(version.series, version.minor, version.build);
  }
  return profiles::BuildAllProfilesFile(s.Editor().Editor().StoreProfiles(), info);
}

// The file's bytes, or the board's sets; nothing after printing why.
std::optional<std::vector<uint8_t>> SourceBytes(CliContext& ctx, Session& s, const ProfilesArgs& a, bool changes) {
  if (!a.file.empty()) {
    auto read = profiles::ReadCheckedProfileFile(platform::PathFromUtf8(a.file));
    if (!read.bytes) {
      ctx.Fail(read.error, ExitCode::kRefusedInput);
      return std::nullopt;
    }
    return std::move(read.bytes);
  }
  // A change is read and written back under one hold of the board.
  if (changes && !s.HoldBoard()) return std::nullopt;
  if (!s.ReadBoard(changes)) return std::nullopt;
  return BoardFile(s);
}

// "interval" with --set 3 is "set3.interval" ("set.interval" in a one-set
// file); a dotted key stays as it is.
std::string FullKey(const std::string& key, int set, std::span<const uint8_t> bytes) {
  const std::string k = profiles::NormaliseTextKey(key);
  if (set <= 0 || k.find('.') != std::string::npos) return k;
  const bool oneSet = bytes.size() > 2 && bytes[2] == static_cast<uint8_t>(profiles::ProfileFileKind::kOneProfile);
  return (oneSet ? std::string("set") : "set" + std::to_string(set)) + "." + k;
}

int RunGet(CliContext& ctx, const ProfilesArgs& a) {
  Session s(ctx, a);
  const auto bytes = SourceBytes(ctx, s, a, false);
  if (!bytes) return ctx.Failed();
  std::vector<std::string> keys;
  for (const std::string& k : a.items) keys.push_back(FullKey(k, a.set, *bytes));
  const auto got = profiles::GetProfileTextValues(*bytes, keys);
  if (!got.error.empty()) {
    return ctx.Fail((a.file.empty() ? std::string() : a.file + ": ") + OneLine(got.error), ExitCode::kUsage);
  }
  if (a.json) {
    nlohmann::ordered_json j = nlohmann::ordered_json::object();
    for (const TextValue& v : got.values) {
      switch (v.kind) {
        case TextValue::Kind::kText: j[v.key] = v.text; break;
        case TextValue::Kind::kNumber: j[v.key] = std::stoll(v.text); break;
        case TextValue::Kind::kBool: j[v.key] = v.text == "true"; break;
      }
    }
    ctx.out << JsonLine(j);
    return 0;
  }
  for (const TextValue& v : got.values) {
    ctx.out << v.key << " = " << profiles::TextValueLiteral(v) << '\n';
  }
  return 0;
}

int RunSet(CliContext& ctx, const ProfilesArgs& a) {
  Session s(ctx, a);
  const auto bytes = SourceBytes(ctx, s, a, true);
  if (!bytes) return ctx.Failed();
  std::vector<std::string> assignments;
  for (const std::string& item : a.items) {
    const size_t eq = item.find('=');
    assignments.push_back(eq == std::string::npos ? item
                                                  : FullKey(item.substr(0, eq), a.set, *bytes) + item.substr(eq));
  }
  const auto changed = profiles::SetProfileTextValues(*bytes, assignments);
  if (!changed.bytes) {
    return ctx.Fail((a.file.empty() ? std::string() : a.file + ": ") + OneLine(changed.error), ExitCode::kUsage);
  }
  if (!a.file.empty()) {
    const std::string error = profiles::WriteProfileFileAnyForm(platform::PathFromUtf8(a.file), *changed.bytes);
    if (!error.empty()) return ctx.Fail("cannot write " + a.file + ": " + error, ExitCode::kWriteFailed);
    ctx.out << "wrote " << a.file << '\n';
    return 0;
  }
  const auto parsed = profiles::ParseProfileFile(*changed.bytes);
  if (!parsed.file || parsed.file->records.size() != static_cast<size_t>(profiles::kProfileCount)) {
    return ctx.Fail("the changed sets do not form a profile file");
  }
  for (int n = 1; n <= profiles::kProfileCount; ++n) {
    s.Editor().Editor().LoadProfileIntoEditor(parsed.file->records[static_cast<size_t>(n - 1)], n);
  }
  // The transfer asks before it writes.
  const bool ok = s.Transfer()->WriteProfilesToBoard(profiles::WriteMode::kWrite);
  if (s.Transfer()->Declined()) return 1;
  return FinishWrite(ctx, s, ok);
}

}  // namespace

void RegisterProfileValueCommands(CLI::App& group, CliContext& ctx, const std::shared_ptr<ProfilesArgs>& a) {
  auto* get = group.add_subcommand("get", "print settings by key (set3.interval, or interval with --set 3)");
  get->add_option("KEY", a->items, "dotted key of the text form; a set's name (set3) gives all its keys")
      ->required();
  get->add_option("--file", a->file, "a profile file (*.dat or *.toml) instead of the board");
  get->add_option("--set", a->set, "the set of keys given without one")->check(CLI::Range(1, 7));
  get->add_flag("--json", a->json, "one JSON object of key: value");
  get->callback([&ctx, a] { ctx.exitCode = RunGet(ctx, *a); });

  auto* set = group.add_subcommand(
      "set", "change settings by key (set3.interval=\"10 sec\"), checked as the settings page checks them");
  set->add_option("KEY=VALUE", a->items, "the page's text, raw:N for the stored number N, or true/false")->required();
  set->add_option("--file", a->file, "change this profile file (replaced atomically) instead of the board");
  set->add_option("--set", a->set, "the set of keys given without one")->check(CLI::Range(1, 7));
  set->add_flag("--yes,-y", a->yes, "answer Yes to every question");
  set->add_option("--backup-dir", a->backupDir,
                  std::string("where the block is saved before it is erased (default: ") +
                      platform::UserBackupRootText() + ")");
  set->callback([&ctx, a] { ctx.exitCode = RunSet(ctx, *a); });
}

}  // namespace vt::cli
