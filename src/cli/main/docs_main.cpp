// Writes a shell completion script, the man page or the help as text of `velotrack`:
//   velotrack-docs bash|zsh|fish|man|help OUT
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <string>

#include "cli/cli_app.h"
#include "cli/cli_context.h"
#include "cli/cli_docs.h"
#include "platform/file_io.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: velotrack-docs bash|zsh|fish|man|help OUT\n");
    return 2;
  }
  vt::cli::CliContext ctx(std::cout, std::cerr);
  CLI::App app(vt::cli::kCliDescription, "velotrack");
  vt::cli::DefineCli(app, ctx);
  const std::string kind = argv[1];
  if (kind != "bash" && kind != "zsh" && kind != "fish" && kind != "man" && kind != "help") {
    std::fprintf(stderr, "velotrack-docs: unknown kind '%s'\n", argv[1]);
    return 2;
  }
  const std::string text = kind == "bash"   ? vt::cli::BashCompletion(app)
                           : kind == "zsh"  ? vt::cli::ZshCompletion(app)
                           : kind == "fish" ? vt::cli::FishCompletion(app)
                           : kind == "help" ? vt::cli::HelpText(app)
                                            : vt::cli::ManPage(app);
  const auto written = vt::platform::WriteFileAtomically(argv[2], text);
  if (!written.ok()) {
    std::fprintf(stderr, "velotrack-docs: %s\n", written.message.c_str());
    return 1;
  }
  return 0;
}
