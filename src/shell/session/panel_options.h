#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vt::shell {

// What the panel's command line says. The panel's own option is --board;
// everything else forms the argument text, which selects the image
// converter when it contains "-c" anywhere and is written to the debug log.
struct PanelOptions {
  std::string boardAddress = "auto";
  std::string argumentText;  // the other arguments, joined by single spaces
  std::string commandText;   // every argument as given, joined by single spaces
  bool help = false;
  std::string error;         // not empty: the command line is unusable
};

// `args` without the program name.
PanelOptions ParsePanelArguments(const std::vector<std::string>& args);

std::string PanelUsage();

// Whether a window can be shown: a platform was chosen explicitly, or an X11
// or Wayland display is there. `env` reads an environment variable.
bool DisplayAvailable(const std::function<const char*(const char*)>& env);

// What to tell someone who started the panel without a display.
std::string NoDisplayHelp();

}  // namespace vt::shell
