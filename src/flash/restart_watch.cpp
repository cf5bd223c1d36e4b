#include "flash/restart_watch.h"

#include <algorithm>
#include <array>
#include <vector>

#include "flash/flash_commands.h"

namespace vt::flash {

using devlink::BoardIdentity;
using devlink::BoardLink;
using platform::HidDeviceInfo;
using platform::HidHandle;
using platform::kInvalidHidHandle;
using platform::kWaitFailed;
using platform::kWaitOk;

namespace {

// A board drops off the bus within milliseconds of the command; coming back
// takes the bus and the system a good part of a second.
constexpr uint32_t kLeavePollMs = 10;
constexpr uint32_t kReturnPollMs = 50;

std::u16string HeldSerial(const BoardIdentity& id) {
  std::u16string serial;
  for (size_t k = 0; 2 * k + 1 < BoardIdentity::kSerialBytes; ++k) {
    const auto unit = static_cast<char16_t>(id.serial[2 * k] | id.serial[2 * k + 1] << 8);
    if (unit == 0) break;
    serial.push_back(unit);
  }
  return serial;
}

bool IsBoard(const HidDeviceInfo& info) {
  return info.openable && devlink::IsAcceptedVendor(info.vendorId) &&
         devlink::IsAcceptedProduct(info.productId);
}

size_t CountBoards(const std::vector<HidDeviceInfo>& devices) {
  return static_cast<size_t>(std::count_if(devices.begin(), devices.end(), IsBoard));
}

// The device among `devices` that is the held board: by serial (at the
// held path first, for two boards that share one), else by path, else the
// only board when there was only one before.
const HidDeviceInfo* PickBoard(const std::vector<HidDeviceInfo>& devices, const BoardIdentity& id,
                               size_t boardsBefore) {
  const std::u16string serial = HeldSerial(id);
  const HidDeviceInfo* bySerial = nullptr;
  const HidDeviceInfo* byPath = nullptr;
  for (const HidDeviceInfo& d : devices) {
    if (!IsBoard(d)) continue;
    const bool sameSerial = !serial.empty() && d.serial == serial;
    const bool samePath = d.path == id.devicePath;
    if (sameSerial && samePath) return &d;
    if (sameSerial && bySerial == nullptr) bySerial = &d;
    if (samePath) byPath = &d;
  }
  if (bySerial != nullptr) return bySerial;
  if (byPath != nullptr) return byPath;
  if (boardsBefore == 1 && CountBoards(devices) == 1) {
    return &*std::find_if(devices.begin(), devices.end(), IsBoard);
  }
  return nullptr;
}

bool OpenAt(platform::HidBackend& hid, const std::string& path, HidHandle* handle) {
  *handle = kInvalidHidHandle;
  if (path.empty()) return false;
  return hid.Open(path, handle) == kWaitOk && *handle != kInvalidHidHandle;
}

}  // namespace

bool FindBoardAgain(BoardLink& link, uint32_t waitMs, size_t boardsBefore) {
  platform::Clock& clock = link.GetClock();
  platform::HidBackend& hid = link.Hid();
  const uint32_t start = clock.NowMs();
  for (;;) {
    const std::vector<HidDeviceInfo> devices = hid.Enumerate();
    if (const HidDeviceInfo* board = PickBoard(devices, link.Identity(), boardsBefore)) {
      HidHandle h = kInvalidHidHandle;
      // Listed is not yet usable: the system may still be setting it up.
      if (OpenAt(hid, board->path, &h)) {
        hid.Close(h);
        link.MutableIdentity().devicePath = board->path.substr(0, 255);
        return true;
      }
    }
    const uint32_t waited = clock.NowMs() - start;
    if (waited >= waitMs) return false;
    clock.SleepMs(std::min(kReturnPollMs, waitMs - waited));
  }
}

RestartWatch RestartBoardAndWatch(BoardLink& link) {
  RestartWatch watch;
  platform::Clock& clock = link.GetClock();
  platform::HidBackend& hid = link.Hid();
  link.CloseDevice();
  // The board may still be on its way back from a restart just before.
  HidHandle held = kInvalidHidHandle;
  if (!OpenAt(hid, link.Identity().devicePath, &held) &&
      !(FindBoardAgain(link, kRestartReturnWaitMs, 0) && OpenAt(hid, link.Identity().devicePath, &held))) {
    return watch;
  }
  const size_t boardsBefore = CountBoards(hid.Enumerate());

  const uint32_t sent = clock.NowMs();
  RestartBoard(link);  // its result tells nothing (see RestartOutcome)
  bool left = false;
  std::array<uint8_t, BoardLink::kReportBytes> buffer{};
  for (;;) {
    // A handle on a board that is still there finds nothing to read (or an
    // input report); one whose device left the bus fails.
    size_t got = 0;
    if (hid.Read(held, buffer, 0, &got) == kWaitFailed) {
      left = true;
      break;
    }
    if (clock.NowMs() - sent >= kRestartLeaveWaitMs) break;
    clock.SleepMs(kLeavePollMs);
  }
  hid.Close(held);
  watch.leftAfterMs = clock.NowMs() - sent;
  if (!left) {
    watch.outcome = RestartOutcome::kStayed;
    link.Log().Printf("restart: the board was still there after %u ms\n", watch.leftAfterMs);
    return watch;
  }
  const uint32_t gone = clock.NowMs();
  const bool back = FindBoardAgain(link, kRestartReturnWaitMs, boardsBefore);
  watch.backAfterMs = clock.NowMs() - gone;
  watch.outcome = back ? RestartOutcome::kRestarted : RestartOutcome::kNotBack;
  link.Log().Printf("restart: the board left after %u ms, %s after %u ms more\n", watch.leftAfterMs,
                    back ? "was back" : "was not back", watch.backAfterMs);
  return watch;
}

std::string DescribeRestart(const RestartWatch& watch) {
  const auto seconds = [](uint32_t ms) { return std::to_string((ms + 999) / 1000) + " s"; };
  switch (watch.outcome) {
    case RestartOutcome::kRestarted: return {};
    case RestartOutcome::kUnreachable: return "the board could not be found to send it the restart command";
    case RestartOutcome::kStayed:
      return "the board did not restart: it was still attached " + seconds(kRestartLeaveWaitMs) +
             " after the restart command";
    case RestartOutcome::kNotBack:
      return "the board left the bus to restart and was not back within " + seconds(kRestartReturnWaitMs);
  }
  return {};
}

}  // namespace vt::flash
