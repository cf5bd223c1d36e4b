#include "parity_board.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/remote/remote_hid_backend.h"
#include "sim/hid/virtual_hid_backend.h"
#include "tests/support/board_server.h"

namespace vt::testing {

std::ostream& operator<<(std::ostream& out, Backend backend) {
  return out << (backend == Backend::kInProcess ? "InProcess" : "OverWire");
}

std::vector<std::string> FaultFlags(const sim::FaultPlan& f) {
  std::vector<std::string> flags;
  auto count = [&](const char* flag, uint32_t n) {
    if (n != 0) flags.insert(flags.end(), {flag, std::to_string(n)});
  };
  count("--fail-write", f.failWrite);
  count("--timeout-write", f.timeoutWrite);
  count("--fail-string", f.failStringRead);
  count("--corrupt-string", f.corruptStringRead);
  count("--previous-tag", f.previousTagReplies);
  count("--foreign-tag", f.foreignTagReplies);
  count("--gone-after", f.goneAfterReports);
  flags.insert(flags.end(), {"--gone-for", std::to_string(f.goneForEnumerations)});
  count("--report-length", f.reportLengthOverride);
  if (f.refuseOpen) flags.push_back("--refuse-open");
  if (f.capsInvalid) flags.push_back("--caps-invalid");
  return flags;
}

ParityBoard::ParityBoard(sim::BoardConfig config, std::string dir)
    : config_(std::move(config)), dir_(std::move(dir)) {}

void ParityBoard::RemoveFolder() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

std::vector<std::string> ParityBoard::TrafficLines() const {
  std::vector<std::string> lines;
  std::ifstream in(TrafficFile());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

namespace {

class InProcessBoard final : public ParityBoard {
 public:
  InProcessBoard(sim::BoardConfig config, platform::VirtualClock& clock, std::string dir)
      : ParityBoard(std::move(config), std::move(dir)), hid_(clock) {
    path_ = hid_.AddBoard(config_);
  }
  ~InProcessBoard() override { RemoveFolder(); }

  bool Start(const sim::FaultPlan& faults, std::string* error) {
    if (!Board().Traffic().MirrorTo(TrafficFile(), path_)) {
      *error = "cannot write " + TrafficFile();
      return false;
    }
    Board().ArmFaults(faults);
    return true;
  }

  platform::HidBackend& Hid() override { return hid_; }
  std::vector<uint8_t> Peek(uint32_t address, size_t count) override {
    Board().ArmFaults(sim::FaultPlan{});
    return Board().Peek(address, count);
  }
  bool Poke(uint32_t address, const std::vector<uint8_t>& bytes) override {
    Board().ArmFaults(sim::FaultPlan{});
    return Board().Poke(address, bytes);
  }
  std::vector<std::string> Traffic() override { return TrafficLines(); }
  void Unplug() override { Board().SetPresent(false); }
  bool Replug() override {
    Board().SetPresent(true);
    return true;
  }

 private:
  sim::VirtualBoard& Board() { return *hid_.Board(path_); }

  sim::VirtualHidBackend hid_;
  std::string path_;
};

// The board lives in the server process; its flash is kept in a file, so
// Peek and Poke stop the server, work on the file, and start it again.
class WireBoard final : public ParityBoard {
 public:
  WireBoard(sim::BoardConfig config, platform::VirtualClock& clock, std::string dir)
      : ParityBoard(std::move(config), std::move(dir)),
        server_(VT_BOARD_SERVER, dir_ + "/board.sock"),
        hid_(server_.Address(), &clock, std::chrono::milliseconds(5000)) {}

  ~WireBoard() override {
    server_.Stop();
    RemoveFolder();
  }

  bool Start(const sim::FaultPlan& faults, std::string* error) {
    sim::VirtualBoard fresh(config_);
    if (!fresh.SaveFlash(FlashFile())) {
      *error = "cannot write " + FlashFile();
      return false;
    }
    return Serve(faults, error);
  }

  platform::HidBackend& Hid() override { return hid_; }
  std::vector<uint8_t> Peek(uint32_t address, size_t count) override {
    sim::VirtualBoard board(config_);
    if (!Pause(&board)) return {};
    std::string error;
    Serve(sim::FaultPlan{}, &error);
    return board.Peek(address, count);
  }
  bool Poke(uint32_t address, const std::vector<uint8_t>& bytes) override {
    sim::VirtualBoard board(config_);
    if (!Pause(&board) || !board.Poke(address, bytes) || !board.SaveFlash(FlashFile())) {
      return false;
    }
    std::string error;
    return Serve(sim::FaultPlan{}, &error);
  }
  std::vector<std::string> Traffic() override { return TrafficLines(); }
  void Unplug() override { server_.Stop(); }
  bool Replug() override {
    std::string error;
    return Serve(sim::FaultPlan{}, &error);
  }

 private:
  std::string FlashFile() const { return dir_ + "/board.flash"; }

  // Stops the server (it saves the flash on the way out) and loads the
  // flash into `board`.
  bool Pause(sim::VirtualBoard* board) {
    return server_.Stop() == 0 && board->LoadFlash(FlashFile());
  }

  bool Serve(const sim::FaultPlan& faults, std::string* error) {
    std::vector<std::string> args{"--preset",      config_.preset, "--flash-file",
                                  FlashFile(),     "--traffic-log", TrafficFile()};
    const auto flags = FaultFlags(faults);
    args.insert(args.end(), flags.begin(), flags.end());
    return server_.Start(args, error);
  }

  BoardServer server_;
  platform::remote::RemoteHidBackend hid_;
};

}  // namespace

std::unique_ptr<ParityBoard> ParityBoard::Make(Backend backend, const std::string& preset,
                                               const sim::FaultPlan& faults,
                                               platform::VirtualClock& clock,
                                               std::string* error) {
  auto config = sim::BoardConfig::FromPreset(preset);
  if (!config) {
    *error = "unknown preset " + preset;
    return nullptr;
  }
  // A fresh folder per board: CTest runs cases side by side.
  std::string dir = (std::filesystem::temp_directory_path() / "vt-parity-XXXXXX").string();
  if (::mkdtemp(dir.data()) == nullptr) {
    *error = "cannot make a folder for the board";
    return nullptr;
  }
  if (backend == Backend::kInProcess) {
    auto board = std::make_unique<InProcessBoard>(*config, clock, dir);
    if (!board->Start(faults, error)) return nullptr;
    return board;
  }
  auto board = std::make_unique<WireBoard>(*config, clock, dir);
  if (!board->Start(faults, error)) return nullptr;
  return board;
}

}  // namespace vt::testing
