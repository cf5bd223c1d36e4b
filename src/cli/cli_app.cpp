#include "cli/cli_app.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>

#include "cli/cli_context.h"
#include "cli/cli_usage.h"
#include "cli/exit_codes.h"

namespace vt::cli {

namespace {

using RegisterGroup = void (*)(CLI::App&, CliContext&);

// Every subcommand group of the program.
constexpr RegisterGroup kGroups[] = {
    RegisterDeviceCommands,
    RegisterProfilesCommands,
    RegisterFirmwareCommands,
    RegisterBackupsCommands,
};

// After a failed parse: "unknown command 'x' for 'velotrack profiles'" when
// the innermost command given still wants a subcommand and got a word it
// does not know in its place; empty otherwise.
std::string UnknownCommand(const CLI::App& app) {
  const CLI::App* at = &app;
  std::string path = app.get_name();
  while (!at->get_subcommands().empty()) {
    at = at->get_subcommands().front();
    path += " " + at->get_name();
  }
  if (at->get_require_subcommand_min() == 0) return {};
  const std::vector<std::string> words = at->remaining();
  const auto word = std::find_if(words.begin(), words.end(),
                                 [](const std::string& w) { return !w.empty() && w[0] != '-'; });
  if (word == words.end()) return {};
  const std::string near = NearestCommand(*word, CommandNames(*at));
  return "unknown command '" + *word + "' for '" + path + "'" +
         (near.empty() ? std::string() : "; did you mean '" + near + "'?");
}

// CLI11's messages begin with a capital ("A subcommand is required"); ours
// do not. An option name ("--set: ...") stays as it is.
std::string OurStyle(std::string message) {
  if (message == "A subcommand is required") return "a command is required";
  if (message.size() > 1 && std::isupper(static_cast<unsigned char>(message[0])) != 0 &&
      std::isupper(static_cast<unsigned char>(message[1])) == 0) {
    message[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(message[0])));
  }
  return message;
}

// CLI11 names unexpected arguments in the order it took them, which for
// the reversed list is last first: name them in the order they were given,
// and say where options for every command belong. Nothing changes when the
// words cannot be found among the arguments.
std::string UnexpectedArguments(const std::string& message, const std::vector<std::string>& args) {
  const size_t colon = message.find(": ");
  if (colon == std::string::npos) return message;
  std::map<std::string, int> left;
  std::istringstream words(message.substr(colon + 2));
  for (std::string w; words >> w;) ++left[w];
  std::vector<std::string> given;
  for (auto it = args.rbegin(); it != args.rend(); ++it) {
    if (auto found = left.find(*it); found != left.end() && found->second > 0) {
      --found->second;
      given.push_back(*it);
    }
  }
  if (std::any_of(left.begin(), left.end(), [](const auto& kv) { return kv.second != 0; })) return message;
  std::string text = given.size() == 1 ? "unexpected argument:" : "unexpected arguments:";
  bool global = false;
  for (auto it = given.rbegin(); it != given.rend(); ++it) {
    text += " " + *it;
    for (const char* option : {"--board", "--serial", "--trace", "--busy-wait"}) {
      global = global || it->rfind(option, 0) == 0;
    }
  }
  if (global) text += "; --board, --serial, --trace and --busy-wait go before the command";
  return text;
}

}  // namespace

void DefineCli(CLI::App& app, CliContext& ctx) {
  app.require_subcommand(1);
  // Options are written --name on every system: on Windows too, a path such
  // as /data/x.elf is an argument, not a "/option".
  app.allow_windows_style_options(false);
  app.add_option("--board", ctx.options.board,
                 "auto | virtual[:OPTIONS] | tcp:HOST:PORT | unix:PATH")
      ->capture_default_str();
  app.add_option("--serial", ctx.options.serial,
                 "the board with this serial among several (see `velotrack devices`)");
  app.add_option("--trace", ctx.options.traceFile, "log every HID primitive with its bytes to FILE");
  app.add_option("--busy-wait", ctx.options.busyWaitSeconds,
                 "SECONDS to wait for a board another program is using")
      ->capture_default_str();
  for (RegisterGroup group : kGroups) group(app, ctx);
  RegisterUsageCommands(app, ctx);
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           std::function<bool()> stopRequested, platform::StopSignals* signals) {
  CliContext ctx(out, err);
  if (stopRequested) ctx.stopRequested = std::move(stopRequested);
  ctx.stopSignals = signals;

  CLI::App app(kCliDescription, "velotrack");
  DefineCli(app, ctx);

  // A bare `velotrack` lists the commands; it is still a usage error, so a
  // script that forgot its command does not pass.
  if (args.empty()) {
    err << HelpText(app);
    return ToInt(ExitCode::kUsage);
  }
  // CLI11 takes the arguments last to first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e, out, err);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e, out, err);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e, out, err);
  } catch (const CLI::ExtrasError& e) {
    err << "error: " << UnexpectedArguments(e.what(), args) << " (see --help)\n";
    return ToInt(ExitCode::kUsage);
  } catch (const CLI::ParseError& e) {
    // One line: the reason and where to get help. A command group given an
    // unknown word fails its "subcommand required" check before the word
    // itself is reported, so name the word instead.
    const std::string unknown = UnknownCommand(app);
    err << "error: " << (unknown.empty() ? OurStyle(e.what()) : unknown) << " (see --help)\n";
    return ToInt(ExitCode::kUsage);
  }
  if (!ctx.Finish() && ctx.exitCode == 0) ctx.exitCode = ctx.Failed();
  return ctx.exitCode;
}

}  // namespace vt::cli
