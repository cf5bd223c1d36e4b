#include "board_server/server_cli.h"

#include <cstdio>

#include "sim/board/board_config.h"
#include "board_server/usb_command.h"

namespace vt::sim {

ServerCommands DefineServerCli(CLI::App& app, ServeOptions& o) {
  app.require_subcommand(1);
  // Options are written --name on every system: on Windows too, a path such
  // as /data/x.elf is an argument, not a "/option".
  app.allow_windows_style_options(false);

  auto* serve = app.add_subcommand("serve", "serve virtual boards until interrupted");
  serve->add_option("--listen", o.listen, "tcp:127.0.0.1:PORT or unix:PATH")
      ->type_name("ADDRESS")
      ->required();
  serve
      ->add_option("--preset", o.presets,
                   "board preset, once per board (standard, standard-V/M/N/O/X, ab, b, r, "
                   "legacy, send-twice, send-twice-12)")
      ->type_name("NAME");
  serve->add_option("--serial", o.serials, "serial-number string, per board in order")
      ->type_name("TEXT");
  serve->add_option("--flash-file", o.flashFiles, "keep the board's flash in this file")
      ->type_name("FILE");
  serve->add_option("--traffic-log", o.trafficLog, "append every primitive to this file")
      ->type_name("FILE");
  serve
      ->add_option("--latency", o.latencyMs,
                   "delay each USB transaction (write, read, string fetch) by MS milliseconds")
      ->type_name("MS");
  serve
      ->add_option("--stop-client-at", o.stopClientAt,
                   "hold the client that sends the Nth flash command (erase or commit) without an "
                   "answer, and say so on stdout, until SIGUSR1 lets it go on; 0 only counts them. "
                   "The count is printed on exit")
      ->type_name("N")
      ->check(CLI::NonNegativeNumber);
  auto& f = o.faults;
  serve->add_option("--fail-write", f.failWrite, "refuse the Nth write (the write returns -1)")
      ->type_name("N");
  serve->add_option("--timeout-write", f.timeoutWrite, "let the Nth write time out")
      ->type_name("N");
  serve->add_option("--fail-string", f.failStringRead, "fail the Nth indexed-string fetch")
      ->type_name("N");
  serve
      ->add_option("--corrupt-string", f.corruptStringRead,
                   "invert the bytes of the Nth indexed-string fetch")
      ->type_name("N");
  serve
      ->add_option("--previous-tag", f.previousTagReplies,
                   "answer the next N commands with a stale reply first")
      ->type_name("N");
  serve
      ->add_option("--foreign-tag", f.foreignTagReplies,
                   "answer the next N commands with a foreign tag")
      ->type_name("N");
  serve->add_option("--gone-after", f.goneAfterReports, "drop off the bus after N reports")
      ->type_name("N");
  serve->add_option("--gone-for", f.goneForEnumerations, "stay away for this many enumerations")
      ->type_name("N")
      ->default_val(1);
  serve->add_flag("--refuse-open", f.refuseOpen, "enumerate but refuse every open");
  serve->add_flag("--caps-invalid", f.capsInvalid, "report description unreadable");
  serve
      ->add_option("--report-length", f.reportLengthOverride,
                   "announce this report length (e.g. above 256)")
      ->type_name("N");

  ServerCommands commands{serve, AddUsbCommand(app)};

  app.add_subcommand("presets", "list the board presets")->callback([] {
    for (const auto& name : BoardConfig::PresetNames()) std::printf("%s\n", name.c_str());
  });
  return commands;
}

docgen::ManPageText ServerManPageText() {
  docgen::ManPageText text;
  text.synopsis =
      "\\fBserve\\fR \\fB\\-\\-listen\\fR \\fIADDRESS\\fR [\\fIOPTIONS\\fR]\n"
      ".br\n.B velotrack\\-board usb\n"
      "[\\fB\\-\\-board\\fR \\fIADDRESS\\fR] \\fB\\-\\-listen\\fR \\fIADDRESS\\fR "
      "[\\fIOPTIONS\\fR]\n"
      ".br\n.B velotrack\\-board presets";
  text.description =
      "serve runs one or more virtual boards and serves them to velotrack(1) and\n"
      "velotrack-panel(1) (--board tcp:HOST:PORT or --board unix:PATH) until interrupted.\n"
      "Flash contents can be kept in files between runs (a file that exists but cannot be\n"
      "loaded is never overwritten: the server does not start); every flash change is\n"
      "written to the file and flushed to disk before the write that made it is answered.\n"
      "Faults can be armed for\n"
      "testing, and --latency makes every USB transaction take that long, as a slow bus\n"
      "would. One client at a time may change a board's flash; others are held off until\n"
      "it lets go.\n\n"
      "usb (Linux only) presents the board at an address as a USB device over usbredir, for\n"
      "QEMU's usb-redir device.\n\n"
      "presets lists the board presets.";
  text.exitStatus = {
      {"0", "Stopped by a signal after serving."},
      {"1", "Any other failure, such as a listen address already in use."},
      {"2",
       "A listen or board address that cannot be parsed, an unknown preset, or a flash file "
       "that cannot be loaded or created."},
      {"100 and above",
       "The command line parser's own codes: a missing, unknown or malformed option."},
  };
  text.example =
      "velotrack-board serve --listen unix:/tmp/vt.sock --preset standard --preset r &\n"
      "velotrack --board unix:/tmp/vt.sock devices";
  text.seeAlso = {"velotrack", "velotrack-panel"};
  return text;
}

}  // namespace vt::sim
