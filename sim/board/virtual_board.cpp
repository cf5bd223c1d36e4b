#include "sim/board/virtual_board.h"

#include <algorithm>
#include <cstring>

#include "sim/board/board_internal.h"

namespace vt::sim {

using platform::kWaitFailed;
using platform::kWaitOk;
using platform::kWaitTimeout;

VirtualBoard::VirtualBoard(BoardConfig config) : VirtualBoard(std::move(config), RegionStore{}) {}

VirtualBoard::VirtualBoard(BoardConfig config, RegionStore storage)
    : config_(config), factoryConfig_(std::move(config)) {
  for (size_t i = 0; i < config_.regions.size(); ++i) {
    const MemoryRegion& r = config_.regions[i];
    auto region = i < storage.size() && storage[i] ? std::move(storage[i]) : std::make_unique<Region>();
    region->info = r;
    region->bytes.assign(r.size, r.kind == MemoryRegion::Kind::kFlash ? 0xFF : 0x00);
    regions_.push_back(std::move(region));
  }
  if (config_.freshContents) FillFresh();
  flashDirty_ = false;
  PowerUp();
}

VirtualBoard::~VirtualBoard() = default;
VirtualBoard::VirtualBoard(VirtualBoard&&) noexcept = default;
VirtualBoard& VirtualBoard::operator=(VirtualBoard&&) noexcept = default;

void VirtualBoard::FactoryReset() { *this = VirtualBoard(factoryConfig_, std::move(regions_)); }

// Resolves an alias first; the whole range must lie in one region (and in
// one alias window when it starts in one).
VirtualBoard::Location VirtualBoard::Locate(uint32_t address, size_t count) const {
  uint64_t a = address;
  for (const auto& alias : config_.aliases) {
    if (a >= alias.base && a < uint64_t{alias.base} + alias.size) {
      if (a + count > uint64_t{alias.base} + alias.size) return {};
      a = alias.target + (a - alias.base);
      break;
    }
  }
  for (const auto& r : regions_) {
    const uint64_t base = r->info.base;
    if (a >= base && a + count <= base + r->info.size) {
      return {r.get(), static_cast<size_t>(a - base)};
    }
  }
  return {};
}

uint8_t* VirtualBoard::Location::Bytes() const { return region->bytes.data() + offset; }

void VirtualBoard::Emit(const std::string& line) {
  messages_.push_back(line);
  pendingText_ += line;
  pendingText_ += '\n';
  // The firmware's text buffer is small; when nobody polls, the oldest
  // text is overwritten.
  constexpr size_t kTextBuffer = 4096;
  if (pendingText_.size() > kTextBuffer) {
    pendingText_.erase(0, pendingText_.size() - kTextBuffer);
  }
}

bool VirtualBoard::FaultFires(uint32_t& countdown) {
  if (countdown == 0) return false;
  return --countdown == 0;
}

std::optional<platform::HidDeviceInfo> VirtualBoard::Enumerate() {
  traffic_.Add({TrafficEntry::Kind::kEnumerate, 0, 0, present_ ? kWaitOk : kWaitFailed, {}});
  if (!present_) {
    if (!returnsByItself_) return std::nullopt;
    if (awayScans_ > 0) {
      --awayScans_;
      return std::nullopt;
    }
    present_ = true;
    PowerUp();
  }
  platform::HidDeviceInfo info;
  info.vendorId = config_.vendorId;
  info.productId = config_.productId;
  info.version = config_.version;
  info.serial = config_.serial;
  info.capsValid = !faults_.capsInvalid;
  info.inputReportLength = config_.inputReportLength;
  info.outputReportLength = config_.outputReportLength;
  if (faults_.reportLengthOverride != 0) {
    info.inputReportLength = faults_.reportLengthOverride;
    info.outputReportLength = faults_.reportLengthOverride;
  }
  info.openable = !faults_.refuseOpen;
  return info;
}

int VirtualBoard::Open() {
  const int rc = (present_ && !faults_.refuseOpen) ? kWaitOk : kWaitFailed;
  traffic_.Add({TrafficEntry::Kind::kOpen, 0, 0, rc, {}});
  return rc;
}

void VirtualBoard::Close() { traffic_.Add({TrafficEntry::Kind::kClose, 0, 0, kWaitOk, {}}); }

uint16_t VirtualBoard::OutputLength() const {
  return faults_.reportLengthOverride ? faults_.reportLengthOverride : config_.outputReportLength;
}

int VirtualBoard::Write(std::span<const uint8_t> report, uint32_t waitMs) {
  int rc = kWaitOk;
  // Every write counts towards every armed fault.
  const bool failNow = present_ && FaultFires(failWriteIn_);
  const bool timeoutNow = present_ && FaultFires(timeoutWriteIn_);
  const bool ignoreNow = present_ && FaultFires(ignoreWriteIn_);
  if (!present_) {
    rc = kWaitFailed;
  } else if (report.size() != OutputLength() || report.empty() || report[0] != 0) {
    // The HID class driver only takes whole reports with our report ID.
    rc = kWaitFailed;
  } else if (failNow) {
    rc = kWaitFailed;
  } else if (timeoutNow) {
    rc = kWaitTimeout;
  }
  traffic_.Add({TrafficEntry::Kind::kWrite, 0, waitMs, rc, {report.begin(), report.end()}});
  if (rc != kWaitOk || ignoreNow) return rc;
  HandleReport(report);
  if (FaultFires(goneAfterIn_)) GoAway();
  return rc;
}

int VirtualBoard::Read(std::span<uint8_t> buf, uint32_t waitMs, size_t* got) {
  *got = 0;
  int rc = kWaitOk;
  std::vector<uint8_t> out;
  if (!present_) {
    rc = kWaitFailed;
  } else if (inputReports_.empty()) {
    rc = kWaitTimeout;  // nothing to read: the overlapped read never completes
  } else {
    out = std::move(inputReports_.front());
    inputReports_.pop_front();
    out.resize(std::min(out.size(), buf.size()));
    std::copy(out.begin(), out.end(), buf.begin());
    *got = out.size();
  }
  traffic_.Add({TrafficEntry::Kind::kRead, 0, waitMs, rc, out});
  return rc;
}

int VirtualBoard::GetIndexedString(uint8_t index, std::span<uint8_t> buf, size_t* got) {
  *got = 0;
  std::vector<uint8_t> out;
  int rc = kWaitOk;
  const bool failNow = present_ && FaultFires(failStringIn_);
  const bool corruptNow = present_ && FaultFires(corruptStringIn_);
  if (!present_ || failNow) {
    rc = kWaitFailed;
  } else if (index == kStringReply && !config_.IsLegacy()) {
    const auto& slot = staleReplyPending_ ? staleReply_ : replySlot_;
    staleReplyPending_ = false;
    out.assign(slot.begin(), slot.end());
  } else if (index == kStringReadBack) {
    if (readBackFails_) {
      readBackFails_ = false;
      rc = kWaitFailed;
    } else if (firstFetchStale_) {
      firstFetchStale_ = false;
      out = staleReadBack_;
    } else {
      out = readBack_;
    }
  } else if (index == kStringMessages) {
    if (!buf.empty()) {
      const size_t n = std::min({pendingText_.size(), buf.size() - 1, size_t{254}});
      out.push_back(static_cast<uint8_t>(n));
      out.insert(out.end(), pendingText_.begin(), pendingText_.begin() + static_cast<long>(n));
      pendingText_.erase(0, n);
    }
  } else {
    rc = kWaitFailed;  // no such string: the request stalls
  }
  if (rc == kWaitOk) {
    out.resize(std::min(out.size(), buf.size()));
    if (corruptNow) {
      for (auto& b : out) b = static_cast<uint8_t>(~b);
    }
    std::copy(out.begin(), out.end(), buf.begin());
    *got = out.size();
  }
  TrafficEntry e{TrafficEntry::Kind::kIndexedString, index, 0, rc, out};
  traffic_.Add(std::move(e));
  return rc;
}

int VirtualBoard::GetSerial(std::span<uint8_t> buf, size_t* got) {
  *got = 0;
  std::vector<uint8_t> out;
  int rc = present_ ? kWaitOk : kWaitFailed;
  if (rc == kWaitOk) {
    for (char16_t u : config_.serial) {
      out.push_back(static_cast<uint8_t>(u & 0xFF));
      out.push_back(static_cast<uint8_t>(u >> 8));
    }
    if (out.size() + 2 <= buf.size()) {
      out.push_back(0);
      out.push_back(0);
    }
    out.resize(std::min(out.size(), buf.size()));
    std::copy(out.begin(), out.end(), buf.begin());
    *got = out.size();
  }
  traffic_.Add({TrafficEntry::Kind::kSerial, 0, 0, rc, out});
  return rc;
}

void VirtualBoard::ArmFaults(const FaultPlan& plan) {
  faults_ = plan;
  failWriteIn_ = plan.failWrite;
  timeoutWriteIn_ = plan.timeoutWrite;
  failStringIn_ = plan.failStringRead;
  corruptStringIn_ = plan.corruptStringRead;
  ignoreWriteIn_ = plan.ignoreWrite;
  previousTagLeft_ = plan.previousTagReplies;
  foreignTagLeft_ = plan.foreignTagReplies;
  goneAfterIn_ = plan.goneAfterReports;
}

void VirtualBoard::GoAway() {
  present_ = false;
  returnsByItself_ = true;
  awayScans_ = faults_.goneForEnumerations;
  ++generation_;
}

void VirtualBoard::SetPresent(bool present) {
  if (present == present_) return;
  present_ = present;
  returnsByItself_ = false;
  ++generation_;
  if (present) PowerUp();
}

// A fresh start of the firmware: RAM and registers lose their contents, all
// modes and pending answers are gone, and the board greets the host.
void VirtualBoard::PowerUp() {
  programming_ = false;
  deviceTest_ = false;
  for (auto& r : regions_) {
    if (r->info.kind != MemoryRegion::Kind::kFlash) std::memset(r->bytes.data(), 0, r->bytes.size());
  }
  replySlot_ = {};
  staleReplyPending_ = false;
  inputReports_.clear();
  readBack_.clear();
  staleReadBack_.clear();
  firstFetchStale_ = false;
  readBackFails_ = false;
  armedReport_.clear();
  std::string serial;
  for (char16_t u : config_.serial) serial += (u >= 0x20 && u < 0x7F) ? static_cast<char>(u) : '?';
  Emit("Velotrack " + serial + " ready");
}

void VirtualBoard::Restart() {
  ++restarts_;
  if (config_.restartDropsHandles) ++generation_;
  CheckFirmware();
  PowerUp();
}

std::vector<uint8_t> VirtualBoard::Peek(uint32_t address, size_t count) const {
  std::vector<uint8_t> out(count, 0);
  // Copies whole runs inside one region; a byte that is not mapped reads 0.
  size_t i = 0;
  while (i < count) {
    const auto at = static_cast<uint32_t>(address + i);
    const Location loc = Locate(at, 1);
    if (!loc) {
      ++i;
      continue;
    }
    size_t run = std::min(count - i, loc.region->bytes.size() - loc.offset);
    // An alias window may end before its target region does.
    while (run > 1 && !Locate(at, run)) run /= 2;
    std::copy_n(loc.Bytes(), run, out.begin() + static_cast<std::ptrdiff_t>(i));
    i += run;
  }
  return out;
}

bool VirtualBoard::Poke(uint32_t address, std::span<const uint8_t> bytes) {
  auto loc = Locate(address, bytes.size());
  if (!loc) return false;
  if (!bytes.empty()) std::memcpy(loc.Bytes(), bytes.data(), bytes.size());
  flashDirty_ = true;
  return true;
}

uint8_t VirtualBoard::PortRegister(uint8_t group, uint8_t reg) const {
  auto it = ports_.find(static_cast<uint16_t>(group << 8 | reg));
  return it == ports_.end() ? 0 : it->second;
}

}  // namespace vt::sim
