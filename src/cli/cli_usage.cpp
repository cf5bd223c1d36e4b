#include "cli/cli_usage.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>

#include "cli/cli_context.h"
#include "cli/exit_codes.h"

#ifndef VELOTRACK_VERSION
#define VELOTRACK_VERSION "unknown"
#endif

namespace vt::cli {

namespace {

// Edits between `a` and `b`, a swap of two neighbours counting as one.
size_t EditDistance(std::string_view a, std::string_view b) {
  const size_t n = a.size();
  const size_t m = b.size();
  std::vector<std::vector<size_t>> d(n + 1, std::vector<size_t>(m + 1, 0));
  for (size_t i = 0; i <= n; ++i) d[i][0] = i;
  for (size_t j = 0; j <= m; ++j) d[0][j] = j;
  for (size_t i = 1; i <= n; ++i) {
    for (size_t j = 1; j <= m; ++j) {
      const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[n][m];
}

// The command `words` name below `root`, or nullptr after printing which
// word is not a command there.
const CLI::App* FindCommand(CliContext& ctx, const CLI::App& root, const std::vector<std::string>& words) {
  const CLI::App* at = &root;
  std::string path = root.get_name();
  for (const std::string& word : words) {
    const CLI::App* next = nullptr;
    for (const CLI::App* sub : at->get_subcommands([](const CLI::App*) { return true; })) {
      if (sub->get_name() == word) next = sub;
    }
    if (next == nullptr) {
      const std::string near = NearestCommand(word, CommandNames(*at));
      ctx.Fail("unknown command '" + word + "' for '" + path + "'" +
                   (near.empty() ? std::string() : "; did you mean '" + near + "'?") + " (see velotrack help)",
               ExitCode::kUsage);
      return nullptr;
    }
    at = next;
    path += " " + word;
  }
  return at;
}

}  // namespace

std::string VersionText() { return std::string("velotrack ") + VELOTRACK_VERSION; }

std::vector<std::string> CommandNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
    names.push_back(sub->get_name());
  }
  return names;
}

std::string NearestCommand(std::string_view word, const std::vector<std::string>& candidates) {
  if (word.empty()) return {};
  // The one command the word begins: "prof" for "profiles", but not "re"
  // among "read" and "reset".
  std::vector<std::string> begun;
  for (const std::string& c : candidates) {
    if (word.size() >= 2 && c.size() > word.size() && c.compare(0, word.size(), word) == 0) begun.push_back(c);
  }
  if (begun.size() == 1) return begun.front();
  std::string best;
  size_t bestDistance = 3;
  for (const std::string& c : candidates) {
    const size_t d = EditDistance(word, c);
    // A short word two edits away is any other short word.
    if (d < bestDistance && d < std::max<size_t>(word.size(), 2)) {
      bestDistance = d;
      best = c;
    }
  }
  return best;
}

std::string HelpText(const CLI::App& app) {
  std::string prefix;
  for (const CLI::App* p = app.get_parent(); p != nullptr; p = p->get_parent()) {
    prefix = p->get_name() + (prefix.empty() ? "" : " " + prefix);
  }
  return app.help(prefix);
}

void RegisterUsageCommands(CLI::App& app, CliContext& ctx) {
  app.set_version_flag("--version", VersionText(), "print the program's version and exit");
  auto words = std::make_shared<std::vector<std::string>>();
  auto* help = app.add_subcommand("help", "print the commands, or the help of COMMAND (help profiles set)");
  help->add_option("COMMAND", *words, "a command, with its group: profiles set");
  help->callback([&ctx, &app, words] {
    const CLI::App* command = FindCommand(ctx, app, *words);
    if (command == nullptr) {
      ctx.exitCode = ctx.Failed();
      return;
    }
    ctx.out << HelpText(*command);
    ctx.exitCode = 0;
  });
}

}  // namespace vt::cli
