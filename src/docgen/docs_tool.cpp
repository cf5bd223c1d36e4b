#include "docgen/docs_tool.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>

#include "docgen/shell_completion.h"
#include "platform/file_io.h"

namespace vt::docgen {

int RunDocsTool(int argc, char** argv, const CLI::App& app, const ManPageText& text) {
  const std::string tool = app.get_name() + "-docs";
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s bash|zsh|fish|man|help OUT\n", tool.c_str());
    return 2;
  }
  const std::string kind = argv[1];
  if (kind != "bash" && kind != "zsh" && kind != "fish" && kind != "man" && kind != "help") {
    std::fprintf(stderr, "%s: unknown kind '%s'\n", tool.c_str(), argv[1]);
    return 2;
  }
  const std::string document = kind == "bash"   ? BashCompletion(app)
                               : kind == "zsh"  ? ZshCompletion(app)
                               : kind == "fish" ? FishCompletion(app)
                               : kind == "help" ? HelpText(app)
                                                : ManPage(app, text);
  const auto written = platform::WriteFileAtomically(argv[2], document);
  if (!written.ok()) {
    std::fprintf(stderr, "%s: %s\n", tool.c_str(), written.message.c_str());
    return 1;
  }
  return 0;
}

}  // namespace vt::docgen
