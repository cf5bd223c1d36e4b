// velotrack-board serve --listen tcp:127.0.0.1:PORT|unix:PATH [board options]
// velotrack-board usb --board ADDRESS --listen tcp:127.0.0.1:PORT|unix:PATH
//
// serve: runs one or more virtual boards and serves them over the board wire
// protocol until interrupted. Flash contents can be kept in files between
// runs; faults can be armed for every board; --latency delays every USB
// transaction as a slow bus would.
// usb (Linux only): presents the board at ADDRESS (any address the panel
// takes) as a USB device over usbredir, for QEMU's usb-redir device. This
// program is a composition root like the panel's own, so it may pick
// backends by address.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/file_io.h"
#include "platform/guarded_main.h"
#include "platform/program_text.h"
#include "sim/board/board_config.h"
#include "sim/hid/virtual_hid_backend.h"
#include "board_server/flash_sync_hid.h"
#include "board_server/server_cli.h"
#include "sim/wire/wire_server.h"
#include "platform/utf8_path.h"

namespace {

volatile std::sig_atomic_t gStop = 0;

void OnSignal(int) { gStop = 1; }

volatile std::sig_atomic_t gResume = 0;

#ifdef SIGUSR1
void OnResume(int) { gResume = 1; }
#endif

using vt::sim::ServeOptions;

std::u16string Widen(const std::string& s) { return {s.begin(), s.end()}; }

void SaveDirty(vt::sim::VirtualHidBackend& backend, const ServeOptions& o) {
  for (size_t i = 0; i < o.flashFiles.size() && i < backend.BoardCount(); ++i) {
    vt::sim::VirtualBoard* b = backend.Board(i);
    std::string error;
    if (b->FlashDirty() && !b->SaveFlash(o.flashFiles[i], &error)) {
      std::fprintf(stderr, "velotrack-board: cannot write the flash file: %s\n", error.c_str());
    }
  }
}

int Serve(ServeOptions& o) {
  std::string error;
  const auto address = vt::sim::ParseListenAddress(o.listen, &error);
  if (!address) {
    std::fprintf(stderr, "velotrack-board: %s\n", error.c_str());
    return 2;
  }
  if (o.presets.empty()) o.presets.push_back("standard");

  vt::platform::VirtualClock clock;  // the client keeps real time; the boards never wait
  vt::platform::SystemClock realTime;  // only --latency delays for real
  vt::sim::VirtualHidBackend backend(clock);
  backend.SetLatency(o.latencyMs, &realTime);
  for (size_t i = 0; i < o.presets.size(); ++i) {
    auto config = vt::sim::BoardConfig::FromPreset(o.presets[i]);
    if (!config) {
      std::fprintf(stderr, "velotrack-board: unknown preset '%s'\n", o.presets[i].c_str());
      return 2;
    }
    if (i < o.serials.size()) config->serial = Widen(o.serials[i]);
    const std::string path = backend.AddBoard(*config);
    vt::sim::VirtualBoard* board = backend.Board(path);
    // A missing flash file starts a fresh board; one that exists but cannot
    // be loaded is never overwritten: the server does not start.
    if (i < o.flashFiles.size()) {
      const std::string& file = o.flashFiles[i];
      if (vt::platform::KindOfPath(vt::platform::PathFromUtf8(file)) != vt::platform::FileKind::kMissing) {
        if (!board->LoadFlash(file, &error)) {
          std::fprintf(stderr, "velotrack-board: cannot load the flash file, not starting: %s\n",
                       error.c_str());
          return 2;
        }
      } else {
        std::fprintf(stderr, "velotrack-board: %s: starting with fresh flash\n", file.c_str());
        if (!board->SaveFlash(file, &error)) {
          std::fprintf(stderr, "velotrack-board: cannot create the flash file, not starting: %s\n",
                       error.c_str());
          return 2;
        }
      }
    }
    if (!o.trafficLog.empty() && !board->Traffic().MirrorTo(o.trafficLog, path)) {
      std::fprintf(stderr, "velotrack-board: cannot open %s\n", o.trafficLog.c_str());
      return 2;
    }
    board->ArmFaults(o.faults);
  }

  // Every flash change is on disk before the write that made it is answered.
  vt::sim::FlashSyncHid synced(backend, o.flashFiles);
  vt::sim::WireServer server(synced);
  if (!server.Listen(*address, &error)) {
    std::fprintf(stderr, "velotrack-board: %s\n", error.c_str());
    return 1;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  if (o.stopClientAt >= 0) {
    server.StopClientAt(static_cast<uint32_t>(o.stopClientAt), [](const std::string& what) {
      std::printf("velotrack-board: holding a client at flash command: %s\n", what.c_str());
      std::fflush(stdout);
    });
#ifdef SIGUSR1
    std::signal(SIGUSR1, OnResume);
#endif
  }
  if (address->unixSocket) {
    std::printf("velotrack-board: serving %zu board(s) on unix:%s\n", backend.BoardCount(),
                address->path.c_str());
  } else {
    std::printf("velotrack-board: serving %zu board(s) on tcp:%s:%u\n", backend.BoardCount(),
                address->host.c_str(), static_cast<unsigned>(server.Port()));
  }
  std::fflush(stdout);
  while (!gStop) {
    if (gResume) {
      gResume = 0;
      server.ResumeStopped();
    }
    // Each change is on disk already; the whole file is written again
    // whenever the line has been quiet for a moment.
    if (!server.RunOnce(200)) SaveDirty(backend, o);
  }
  server.Shutdown();
  SaveDirty(backend, o);
  if (o.stopClientAt >= 0) {
    std::printf("velotrack-board: %u flash command(s) served\n", server.FlashCommands());
    std::fflush(stdout);
  }
  return 0;
}

int RunServer(int argc, char** argv) {
  CLI::App app{vt::sim::kServerDescription, "velotrack-board"};
  ServeOptions o;
  const auto commands = vt::sim::DefineServerCli(app, o);
  // UTF-8 arguments on every system (file names in any script); CLI11 takes
  // them last first.
  std::vector<std::string> args = vt::platform::ProgramArguments(argc, argv);
  std::reverse(args.begin(), args.end());
  try {
    app.parse(args);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  if (commands.serve->parsed()) return Serve(o);
  if (auto rc = commands.runUsb()) return *rc;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return vt::platform::RunGuardedMain("velotrack-board", [&] { return RunServer(argc, argv); });
}
