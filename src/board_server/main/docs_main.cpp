// Writes a shell completion script, the man page or the help as text of
// `velotrack-board`:
//   velotrack-board-docs bash|zsh|fish|man|help OUT
#include <CLI/CLI.hpp>

#include "docgen/docs_tool.h"
#include "board_server/server_cli.h"

int main(int argc, char** argv) {
  CLI::App app{vt::sim::kServerDescription, "velotrack-board"};
  vt::sim::ServeOptions options;
  vt::sim::DefineServerCli(app, options);
  return vt::docgen::RunDocsTool(argc, argv, app, vt::sim::ServerManPageText());
}
