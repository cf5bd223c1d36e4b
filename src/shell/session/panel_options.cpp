#include "shell/session/panel_options.h"

namespace vt::shell {

namespace {
constexpr const char* kBoardOption = "--board";
}

PanelOptions ParsePanelArguments(const std::vector<std::string>& args) {
  PanelOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    if (i != 0) options.commandText += ' ';
    options.commandText += args[i];
  }
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == kBoardOption) {
      if (i + 1 >= args.size()) {
        options.error = "--board needs an address (auto, virtual, tcp:HOST:PORT or unix:PATH)";
        return options;
      }
      options.boardAddress = args[++i];
    } else if (arg.rfind(std::string(kBoardOption) + "=", 0) == 0) {
      options.boardAddress = arg.substr(std::string(kBoardOption).size() + 1);
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else {
      rest.push_back(arg);
    }
  }
  // The board address stays out of the argument text: a socket path such as
  // unix:/run/my-cam.sock must not switch the converter on.
  for (size_t i = 0; i < rest.size(); ++i) {
    if (i != 0) options.argumentText += ' ';
    options.argumentText += rest[i];
  }
  return options;
}

std::string PanelUsage() {
  return "Usage: velotrack-panel [--board ADDRESS] [-c]\n"
         "  --board ADDRESS  where the board is: auto (default, the machine's HID devices),\n"
         "                   virtual[:OPTIONS] (the built-in virtual board),\n"
         "                   tcp:HOST:PORT or unix:PATH (a board server)\n"
         "  -c               convert usbfw.elf in the current directory to usbfw.vt and exit\n"
         "A file named debug.cmd in the current directory or in the user's folder\n"
#ifdef _WIN32
         "(%LOCALAPPDATA%\\Velotrack) switches the debug log (debug.log) and the\n"
#else
         "(~/.local/state/velotrack) switches the debug log (debug.log) and the\n"
#endif
         "Debug page on. The panel writes debug.log, build.dat and profiles.txt to\n"
         "the current directory, or to the user's folder when the current directory\n"
         "is read-only or the program's own folder.\n";
}

bool DisplayAvailable(const std::function<const char*(const char*)>& env) {
  auto set = [&](const char* name) {
    const char* value = env(name);
    return value != nullptr && value[0] != '\0';
  };
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

std::string NoDisplayHelp() {
  return "velotrack-panel: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
         "Run it on a desktop, or without one:\n"
         "  xvfb-run -a velotrack-panel [--board virtual]\n"
         "  QT_QPA_PLATFORM=offscreen velotrack-panel [--board virtual]\n"
         "The command line tool 'velotrack' needs no display at all.\n";
}

}  // namespace vt::shell
