// The `usb` subcommand: presents the board at ADDRESS (any address the panel
// takes) as a USB device over usbredir, for QEMU's usb-redir device.
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "app/board_address.h"
#include "app/board_backend.h"
#include "board_server/usb_command.h"
#include "sim/usb/usb_board_device.h"
#include "sim/usb/usbredir_front.h"
#include "sim/wire/wire_server.h"

namespace vt::sim {
namespace {

volatile std::sig_atomic_t gStop = 0;

void OnSignal(int) { gStop = 1; }

struct UsbOptions {
  std::string board = "virtual";
  std::string listen;
  std::string path;
  bool noOutEndpoint = false;
  usb::UnplugPlan unplug;
};

int ServeUsb(const UsbOptions& o) {
  std::string error;
  const auto listen = ParseListenAddress(o.listen, &error);
  const auto address = listen ? vt::app::ParseBoardAddress(o.board, &error) : std::nullopt;
  if (!listen || !address) {
    std::fprintf(stderr, "velotrack-board: %s\n", error.c_str());
    return 2;
  }
  if (address->kind == vt::app::BoardAddress::Kind::kAuto) {
    std::fprintf(stderr,
                 "velotrack-board: a USB board is already on a bus; give a virtual, "
                 "tcp: or unix: address\n");
    return 2;
  }
  auto backend = vt::app::MakeBoardBackend(*address, nullptr, &error);
  if (!backend) {
    std::fprintf(stderr, "velotrack-board: %s\n", error.c_str());
    return 1;
  }
  int rc = 0;
  {
    backend->Hid().Load();
    usb::UsbBoardDevice device(backend->Hid(), !o.noOutEndpoint);
    if (!device.Attach(o.path)) {
      std::fprintf(stderr,
                   "velotrack-board: no board at %s yet; it is plugged in when it appears\n",
                   o.board.c_str());
    }
    usb::UsbRedirFront front(device, o.path, o.unplug);
    if (!front.Listen(*listen, &error)) {
      std::fprintf(stderr, "velotrack-board: %s\n", error.c_str());
      return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    if (listen->unixSocket) {
      std::printf("velotrack-board: USB device for %s on unix:%s\n", o.board.c_str(),
                  listen->path.c_str());
    } else {
      std::printf("velotrack-board: USB device for %s on tcp:%s:%u\n", o.board.c_str(),
                  listen->host.c_str(), static_cast<unsigned>(front.Port()));
    }
    std::fflush(stdout);
    while (!gStop) front.RunOnce(200);
    front.Shutdown();
  }
  if (!backend->Finish(&error)) {
    std::fprintf(stderr, "velotrack-board: %s\n", error.c_str());
    rc = 1;
  }
  return rc;
}

}  // namespace

std::function<std::optional<int>()> AddUsbCommand(CLI::App& app) {
  auto options = std::make_shared<UsbOptions>();
  UsbOptions& u = *options;
  auto* command = app.add_subcommand("usb", "present a board as a USB device over usbredir");
  command->add_option("--board", u.board, "virtual[:OPTIONS], tcp:HOST:PORT or unix:PATH")
      ->type_name("ADDRESS")
      ->default_val("virtual");
  command->add_option("--listen", u.listen, "tcp:127.0.0.1:PORT or unix:PATH (QEMU connects)")
      ->type_name("ADDRESS")
      ->required();
  command->add_option("--path", u.path, "the board's path when ADDRESS offers several")
      ->type_name("PATH");
  command->add_flag("--no-out-endpoint", u.noOutEndpoint,
                    "no interrupt OUT endpoint: output reports come as SET_REPORT");
  command
      ->add_option("--unplug-after", u.unplug.afterReports,
                   "pull the cable after this many output reports")
      ->type_name("N");
  command->add_option("--unplug-for", u.unplug.forMs, "plug it back in after this many ms")
      ->type_name("MS")
      ->default_val(3000);

  return [command, options]() -> std::optional<int> {
    if (!command->parsed()) return std::nullopt;
    return ServeUsb(*options);
  };
}

}  // namespace vt::sim
