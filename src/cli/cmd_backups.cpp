// `backups list` and `backups prune`: the settings-block backups every write,
// clear, restore and firmware update leaves under the backup folder. Neither
// talks to a board.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <cstdio>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>

#include "cli/cli_app.h"
#include "cli/cli_context.h"
#include "cli/json_text.h"
#include "cli/text_format.h"
#include "platform/new_file.h"
#include "platform/utf8_path.h"
#include "profiles/backup_catalog.h"
#include "profiles/info_block_backup.h"

namespace vt::cli {

namespace {

namespace fs = std::filesystem;
using profiles::CatalogEntry;

struct BackupsArgs {
  std::string board;  // a serial; empty: every board
  std::string backupDir;
  bool json = false;
  bool yes = false;
  bool dryRun = false;
  size_t keep = 0;
};

// The backup folder asked for, or the user's; empty after printing why.
fs::path Root(CliContext& ctx, const BackupsArgs& a) {
  fs::path root = a.backupDir.empty() ? profiles::DefaultBackupRoot() : platform::PathFromUtf8(a.backupDir);
  if (root.empty()) {
    ctx.Fail("no backup folder: neither $XDG_DATA_HOME nor $HOME is set; give --backup-dir", ExitCode::kUsage);
  }
  return root;
}

std::string ConditionText(const CatalogEntry& e) {
  if (!e.loaded) return "unreadable";
  std::string text = flash::BlockConditionName(e.condition);
  if (e.newestSound) text += ", newest";
  return text;
}

int RunList(CliContext& ctx, const BackupsArgs& a) {
  const fs::path root = Root(ctx, a);
  if (root.empty()) return ctx.Failed();
  const auto entries = profiles::ListBackupCatalog(root, a.board);
  if (a.json) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const CatalogEntry& e : entries) {
      std::string taken = e.taken;
      if (taken.size() == 19) taken = taken.substr(0, 10) + "T" + taken.substr(11) + "Z";
      list.push_back({{"board", e.board},
                      {"taken", taken},
                      {"condition", e.loaded ? flash::BlockConditionName(e.condition) : "unreadable"},
                      {"damage", e.loaded ? e.damage : e.error},
                      {"firmware", e.firmware.empty() ? nlohmann::ordered_json(nullptr)
                                                      : nlohmann::ordered_json(e.firmware)},
                      {"newest_sound", e.newestSound},
                      {"path", platform::PathToUtf8(e.path)}});
    }
    ctx.out << JsonLine({{"root", platform::PathToUtf8(root)}, {"backups", std::move(list)}});
    return 0;
  }
  if (entries.empty()) {
    ctx.out << "no backups under " << platform::PathToUtf8(root) << '\n';
    return 0;
  }
  size_t boardWidth = 5;
  for (const CatalogEntry& e : entries) boardWidth = std::max(boardWidth, e.board.size());
  ctx.out << std::left << std::setw(static_cast<int>(boardWidth)) << "BOARD" << "  "
          << std::setw(19) << "TAKEN (UTC)" << "  " << std::setw(17) << "CONDITION" << "  "
          << std::setw(8) << "FIRMWARE" << "  PATH\n";
  for (const CatalogEntry& e : entries) {
    ctx.out << std::setw(static_cast<int>(boardWidth)) << BoardText(e.board) << "  " << std::setw(19) << e.taken
            << "  " << std::setw(17) << ConditionText(e) << "  " << std::setw(8)
            << (e.firmware.empty() ? "?" : e.firmware) << "  " << OneLine(platform::PathToUtf8(e.path)) << '\n';
  }
  return 0;
}

int RunPrune(CliContext& ctx, const BackupsArgs& a) {
  const fs::path root = Root(ctx, a);
  if (root.empty()) return ctx.Failed();
  const auto entries = profiles::ListBackupCatalog(root, a.board);
  const auto remove = profiles::BackupsToPrune(entries, a.keep);
  if (remove.empty()) {
    ctx.out << "nothing to remove: " << entries.size() << " backups under " << platform::PathToUtf8(root)
            << ", the newest sound backup of each board among those kept\n";
    return 0;
  }
  if (a.dryRun) {
    for (const size_t i : remove) {
      ctx.out << "would remove " << OneLine(platform::PathToUtf8(entries[i].path)) << '\n';
    }
    return 0;
  }
  if (!a.yes) {
    const std::string question = "Remove " + std::to_string(remove.size()) + " of the " +
                                 std::to_string(entries.size()) + " backups under " + platform::PathToUtf8(root) +
                                 "? The newest sound backup of each board is kept.";
    if (isatty(STDIN_FILENO) == 0) {
      return ctx.Fail("\"" + OneLine(question) + "\" needs an answer: run again with --yes (stdin is not a terminal)");
    }
    ctx.out << "Prune backups: " << OneLine(question) << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer) || (answer != "y" && answer != "Y" && answer != "yes")) {
      ctx.out << "Nothing done.\n";
      return 1;
    }
  }
  size_t failed = 0;
  for (const size_t i : remove) {
    std::error_code ec;
    const std::string path = OneLine(platform::PathToUtf8(entries[i].path));
    if (fs::remove(entries[i].path, ec) && !ec) {
      ctx.out << "removed " << path << '\n';
    } else if (ec) {
      ctx.err << "error: cannot remove " << path << ": " << ec.message() << '\n';
      ++failed;
    }
  }
  if (failed > 0) return ctx.Fail(std::to_string(failed) + " backups could not be removed", ExitCode::kWriteFailed);
  return 0;
}

}  // namespace

void RegisterBackupsCommands(CLI::App& app, CliContext& ctx) {
  auto* group = app.add_subcommand("backups", "the settings-block backups taken before each change of a board");
  group->require_subcommand(1);
  auto a = std::make_shared<BackupsArgs>();
  auto common = [a](CLI::App* cmd) {
    cmd->add_option("SERIAL", a->board, "only the backups of the board with this serial");
    cmd->add_option("--backup-dir", a->backupDir,
                    std::string("the backup folder (default: ") + platform::UserBackupRootText() + ")");
  };

  auto* list = group->add_subcommand("list", "every backup: board, time taken, condition, firmware and file");
  common(list);
  list->add_flag("--json", a->json, "JSON output (fields in docs/cli.md)");
  list->callback([&ctx, a] { ctx.exitCode = RunList(ctx, *a); });

  auto* prune = group->add_subcommand(
      "prune", "remove all but the N newest backups of each board; the newest sound one is always kept");
  common(prune);
  prune->add_option("--keep", a->keep, "how many of the newest backups of each board to keep")->required();
  prune->add_flag("--dry-run", a->dryRun, "only print what would be removed");
  prune->add_flag("--yes,-y", a->yes, "answer Yes to every question");
  prune->callback([&ctx, a] { ctx.exitCode = RunPrune(ctx, *a); });
}

}  // namespace vt::cli
