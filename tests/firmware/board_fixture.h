#pragma once

#include <deque>
#include <string>
#include <vector>

#include "devlink/board_link.h"
#include "flash/board_addresses.h"
#include "flash/flash_commands.h"
#include "flash/update_context.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "sim/hid/virtual_hid_backend.h"

namespace vt::flash::testing {

// Records what the update procedures show and answers their questions:
// from `answers` while it lasts, then with `defaultAnswer`.
class RecordingUi final : public UpdateUi {
 public:
  bool Ask(std::string_view text, std::string_view caption) override {
    questions.push_back(std::string(caption) + ": " + std::string(text));
    if (answers.empty()) return defaultAnswer;
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }
  void ShowMessage(std::string_view text, std::string_view caption) override {
    messages.push_back(std::string(caption) + ": " + std::string(text));
  }
  void SetStatus(std::string_view text) override { statuses.emplace_back(text); }
  void ProgressBegin(std::string_view title, std::string_view text, int rangeMax) override {
    progressTitles.emplace_back(title);
    progressTexts.emplace_back(text);
    ranges.push_back(rangeMax);
    open = true;
  }
  void ProgressText(std::string_view text) override { progressTexts.emplace_back(text); }
  void ProgressStep() override { ++steps; }
  void ProgressEnd() override { open = false; }
  void PumpPaintMessages() override { ++pumps; }
  void StopMessagePoll() override { ++pollStops; }

  std::deque<bool> answers;
  bool defaultAnswer = true;
  std::vector<std::string> questions, messages, statuses, progressTitles, progressTexts;
  std::vector<int> ranges;
  int steps = 0;
  int pumps = 0;
  int pollStops = 0;
  bool open = false;
};

// One virtual board behind a detected link, and an update context on it.
struct BoardFixture {
  explicit BoardFixture(sim::BoardConfig config, uint32_t latencyMs = 0) : hid(clock, latencyMs) {
    hid.AddBoard(std::move(config));
    link.USBDeviceDetect_Win32();
  }
  sim::VirtualBoard& Board() { return *hid.Board(size_t{0}); }
  std::vector<uint8_t> Flash(uint32_t address, size_t count) { return Board().Peek(address, count); }
  std::vector<uint8_t> InfoBlock(uint32_t address) { return Flash(address, kInfoBlockSize); }

  platform::VirtualClock clock{1000};
  platform::DebugLog log;
  sim::VirtualHidBackend hid;
  devlink::BoardLink link{hid, clock, log};
  RecordingUi ui;
  std::vector<std::vector<uint8_t>> backups;
  UpdateContext ctx{link, ui,
                    [this](const devlink::BoardIdentity&, std::span<const uint8_t> block) {
                      backups.emplace_back(block.begin(), block.end());
                      return true;
                    }};
};

// Payload offset of `tag` in an info block, walking the chain.
inline std::optional<size_t> RecordPayload(const std::vector<uint8_t>& block, uint16_t tag) {
  size_t at = 0;
  while (at + 4 <= block.size()) {
    const uint16_t t = static_cast<uint16_t>(block[at] | block[at + 1] << 8);
    const uint16_t len = static_cast<uint16_t>(block[at + 2] | block[at + 3] << 8);
    if (t == tag) return at + 4;
    if (t == 0xFFFF || len < 4) return std::nullopt;
    at += len;
  }
  return std::nullopt;
}

inline uint16_t Le16At(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

}  // namespace vt::flash::testing
