// velotrack-board's command definitions and the man page generated from them.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include "docgen/man_page.h"
#include "board_server/server_cli.h"

namespace vt::sim {
namespace {

std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '-' ? std::string("\\-") : std::string(1, c);
  return out;
}

// Every option of every command is on the page, under that command's
// heading: the page and the parser come from the same definitions.
TEST(ServerCli, ManPageHasEveryOptionUnderItsCommand) {
  CLI::App app{kServerDescription, "velotrack-board"};
  ServeOptions options;
  DefineServerCli(app, options);
  const std::string page = docgen::ManPage(app, ServerManPageText());
  EXPECT_EQ(page.rfind(".TH VELOTRACK\\-BOARD 1 ", 0), 0u);
  size_t checked = 0;
  for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
    const auto from = page.find(".SS \"" + Roff("velotrack-board " + command->get_name()) + "\"\n");
    ASSERT_NE(from, std::string::npos) << command->get_name();
    const std::string section = page.substr(from, page.find("\n.S", from + 1) - from);
    for (const CLI::Option* opt : command->get_options()) {
      for (const auto& name : opt->get_lnames()) {
        EXPECT_NE(section.find(Roff("--" + name) + "\\fR"), std::string::npos) << command->get_name() << " --" << name;
        ++checked;
      }
    }
  }
  EXPECT_GE(checked, 18u) << "serve alone has 18 options";
  EXPECT_NE(page.find(".SH \"EXIT STATUS\"\n"), std::string::npos);
  EXPECT_NE(page.find(".SH EXAMPLE\n.nf\nvelotrack\\-board serve \\-\\-listen unix:"), std::string::npos);
}

// --latency reaches the options the server runs with; the default is none.
TEST(ServerCli, ServeTakesALatency) {
  CLI::App app{kServerDescription, "velotrack-board"};
  ServeOptions options;
  const auto commands = DefineServerCli(app, options);
  app.parse(std::vector<std::string>{"5", "--latency", "tcp:127.0.0.1:0", "--listen", "serve"});
  EXPECT_TRUE(commands.serve->parsed());
  EXPECT_EQ(options.latencyMs, 5u);
  EXPECT_THROW(app.parse(std::vector<std::string>{"-1", "--latency", "unix:/x", "--listen", "serve"}),
               CLI::ParseError);
}

}  // namespace
}  // namespace vt::sim
