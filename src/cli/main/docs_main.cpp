// Writes a shell completion script, the man page or the help as text of `velotrack`:
//   velotrack-docs bash|zsh|fish|man|help OUT
#include <CLI/CLI.hpp>

#include <iostream>

#include "cli/cli_app.h"
#include "cli/cli_context.h"
#include "cli/cli_docs.h"
#include "docgen/docs_tool.h"

int main(int argc, char** argv) {
  vt::cli::CliContext ctx(std::cout, std::cerr);
  CLI::App app(vt::cli::kCliDescription, "velotrack");
  vt::cli::DefineCli(app, ctx);
  return vt::docgen::RunDocsTool(argc, argv, app, vt::cli::CliManPageText());
}
