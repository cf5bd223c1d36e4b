#include "cli/cli_app.h"

#include <CLI/CLI.hpp>

#include <algorithm>

#include "cli/cli_context.h"
#include "cli/exit_codes.h"

namespace vt::cli {

namespace {

using RegisterGroup = void (*)(CLI::App&, CliContext&);

// Every subcommand group of the program.
constexpr RegisterGroup kGroups[] = {
    RegisterDeviceCommands,
    RegisterProfilesCommands,
    RegisterFirmwareCommands,
};

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
                 "SECONDS to wait for a board another program is writing")
      ->capture_default_str();
  for (RegisterGroup group : kGroups) group(app, ctx);
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           std::function<bool()> stopRequested) {
  CliContext ctx(out, err);
  if (stopRequested) ctx.stopRequested = std::move(stopRequested);

  CLI::App app(kCliDescription, "velotrack");
  DefineCli(app, ctx);

  // CLI11 takes the arguments last to first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e, out, err);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e, out, err);
  } catch (const CLI::ParseError& e) {
    // One line: the reason and where to get help.
    err << "error: " << e.what() << " (see --help)\n";
    return ToInt(ExitCode::kUsage);
  }
  if (!ctx.Finish() && ctx.exitCode == 0) ctx.exitCode = ctx.Failed();
  return ctx.exitCode;
}

}  // namespace vt::cli
