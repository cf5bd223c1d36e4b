#include "app/board_backend.h"

#include <filesystem>

#include "app/system_backend.h"
#include "platform/file_io.h"
#include "platform/remote/remote_hid_backend.h"
#include "platform/tracing/tracing_hid_backend.h"
#include "sim/board/board_config.h"
#include "sim/hid/virtual_hid_backend.h"
#include "platform/utf8_path.h"

namespace vt::app {

using namespace vt::platform;

namespace {

// Owns the chosen backend and, when tracing, the decorator in front of it.
class OwningBackend : public BoardBackend {
 public:
  OwningBackend(std::unique_ptr<Clock> clock, std::FILE* trace)
      : clock_(std::move(clock)), trace_(trace) {}

  void SetInner(std::unique_ptr<HidBackend> inner) {
    inner_ = std::move(inner);
    if (trace_ != nullptr) tracing_ = std::make_unique<TracingHidBackend>(*inner_, trace_);
  }
  HidBackend& Hid() override { return tracing_ ? *tracing_ : *inner_; }
  Clock& GetClock() override { return *clock_; }

 protected:
  HidBackend& Inner() { return *inner_; }

 private:
  std::unique_ptr<Clock> clock_;
  std::FILE* trace_;
  std::unique_ptr<HidBackend> inner_;
  std::unique_ptr<TracingHidBackend> tracing_;
};

// The machine's own HID stack. The watch for arrivals is made when first
// asked for: only the panel waits for boards.
class SystemBoardBackend final : public OwningBackend {
 public:
  explicit SystemBoardBackend(std::FILE* trace)
      : OwningBackend(std::make_unique<SystemClock>(), trace) {
    SetInner(MakeSystemHidBackend());
  }
  DeviceWatch* DeviceChanges() override {
    if (!watchMade_) {
      watch_ = MakeSystemDeviceWatch();
      watchMade_ = true;
    }
    return watch_.get();
  }

 private:
  std::unique_ptr<DeviceWatch> watch_;
  bool watchMade_ = false;
};

class VirtualBoardBackend final : public OwningBackend {
 public:
  VirtualBoardBackend(std::FILE* trace, std::string flashFile)
      : OwningBackend(std::make_unique<VirtualClock>(), trace), flashFile_(std::move(flashFile)) {}
  ~VirtualBoardBackend() override {
    std::string ignored;
    Finish(&ignored);
  }

  sim::VirtualHidBackend* Virtual() override { return static_cast<sim::VirtualHidBackend*>(&Inner()); }

  // Drops the session without writing anything back.
  void Abandon() { finished_ = true; }

  bool Finish(std::string* error) override {
    if (finished_) return true;
    finished_ = true;
    if (flashFile_.empty()) return true;
    sim::VirtualBoard* board = Virtual()->Board(size_t{0});
    std::string why;
    if (board == nullptr || board->SaveFlash(flashFile_, &why)) return true;
    *error = "cannot write the virtual board's flash: " + why;
    return false;
  }

 private:
  std::string flashFile_;
  bool finished_ = false;
};

}  // namespace

std::unique_ptr<BoardBackend> MakeBoardBackend(const BoardAddress& address, std::FILE* trace,
                                               std::string* error) {
  switch (address.kind) {
    case BoardAddress::Kind::kAuto:
      return std::make_unique<SystemBoardBackend>(trace);
    case BoardAddress::Kind::kTcp:
    case BoardAddress::Kind::kUnix: {
      auto clock = std::make_unique<SystemClock>();
      Clock* clockPtr = clock.get();
      auto backend = std::make_unique<OwningBackend>(std::move(clock), trace);
      backend->SetInner(std::make_unique<remote::RemoteHidBackend>(address.text, clockPtr));
      return backend;
    }
    case BoardAddress::Kind::kVirtual: {
      auto config = sim::BoardConfig::FromPreset(address.preset);
      if (!config) {
        *error = "unknown virtual board preset '" + address.preset + "'";
        return nullptr;
      }
      auto backend = std::make_unique<VirtualBoardBackend>(trace, address.flashFile);
      auto hid = std::make_unique<sim::VirtualHidBackend>(backend->GetClock(), address.latencyMs);
      sim::VirtualBoard* board = hid->Board(hid->AddBoard(*config));
      backend->SetInner(std::move(hid));
      // A missing file starts a fresh board; a file that does not fit it is
      // an error, and is left untouched.
      std::string why;
      if (!address.flashFile.empty() &&
          platform::KindOfPath(platform::PathFromUtf8(address.flashFile)) != platform::FileKind::kMissing &&
          !board->LoadFlash(address.flashFile, &why)) {
        backend->Abandon();
        *error = "cannot load the virtual board's flash: " + why;
        return nullptr;
      }
      return backend;
    }
  }
  *error = "unknown board address";
  return nullptr;
}

}  // namespace vt::app
