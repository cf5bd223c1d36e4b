// The `usb` subcommand of velotrack-board: a board presented as a USB device
// over usbredir. The usbredir front is built on Linux only; elsewhere the
// subcommand does not exist.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>

namespace vt::sim {

// Adds `usb` to app where the system has it. The returned function runs the
// subcommand if it was the one chosen and gives its exit code; otherwise it
// gives nothing.
std::function<std::optional<int>()> AddUsbCommand(CLI::App& app);

}  // namespace vt::sim
