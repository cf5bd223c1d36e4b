// How the firmware sorts incoming reports, and its command set.
#include <algorithm>
#include <cstdio>

#include "sim/board/board_internal.h"

namespace vt::sim {

namespace {

bool IsFlashOpcode(uint8_t op) {
  return op == kOpWritePiece || op == kOpCommit || op == kOpRestart || op == kOpErase ||
         op == kOpRead || op == kOpControl;
}

bool IsRequestCode(uint8_t req) { return req >= 0x24 && req <= 0x27; }

std::string Format(const char* fmt, int a, int b = 0) {
  char buf[96];
  std::snprintf(buf, sizeof buf, fmt, a, b);
  return buf;
}

}  // namespace

uint8_t VirtualBoard::BaseStatus() const {
  const auto header = Peek(config_.infoBlockAddress, 2);
  return (header[0] == 1 && header[1] == 0) ? kStatusOk : kStatusNotInitialised;
}

void VirtualBoard::HandleReport(std::span<const uint8_t> report) {
  if (report.size() < 9) return;
  if (IsRequestCode(report[4])) {
    armedReport_.clear();
    HandleCommand(report);
    return;
  }
  if (!IsFlashOpcode(report[3])) return;  // nothing the firmware knows: dropped
  if (config_.NeedsSendTwice()) {
    // This firmware's USB stack loses the first of two identical reports:
    // only the second copy of a pair is carried out.
    if (armedReport_.size() != report.size() ||
        !std::equal(report.begin(), report.end(), armedReport_.begin())) {
      armedReport_.assign(report.begin(), report.end());
      return;
    }
    armedReport_.clear();
  }
  HandleFlashReport(report);
}

void VirtualBoard::Reply(uint8_t tag, uint8_t d0, uint8_t status, uint8_t d1, uint8_t d2) {
  std::array<uint8_t, 8> reply{d0, status, d1, d2, tag, 0, 0, 0};
  if (foreignTagLeft_ > 0) {
    --foreignTagLeft_;
    reply[4] = static_cast<uint8_t>(tag ^ 0x50);  // neither this tag nor the previous one
  }
  bool stale = false;
  std::array<uint8_t, 8> staleReply = replySlot_;
  if (previousTagLeft_ > 0) {
    --previousTagLeft_;
    stale = true;
    staleReply[4] = static_cast<uint8_t>(tag ^ 1);  // the previous request's answer
  }
  if (config_.IsLegacy()) {
    auto queue = [&](const std::array<uint8_t, 8>& r) {
      std::vector<uint8_t> input(config_.inputReportLength, 0);
      for (size_t i = 0; i < r.size() && i + 1 < input.size(); ++i) input[i + 1] = r[i];
      inputReports_.push_back(std::move(input));
    };
    if (stale) queue(staleReply);
    queue(reply);
    constexpr size_t kInputQueue = 32;  // the HID driver's ring buffer
    while (inputReports_.size() > kInputQueue) inputReports_.pop_front();
  } else {
    staleReply_ = staleReply;
    staleReplyPending_ = stale;
  }
  replySlot_ = reply;
}

void VirtualBoard::HandleCommand(std::span<const uint8_t> r) {
  const uint8_t tag = r[2], cmd = r[3], req = r[4];
  const uint8_t data = r[5], addr = r[6], i2cid = r[7], data1 = r[8];
  const bool legacy = config_.IsLegacy();
  uint8_t d0 = 0, d1 = 0, d2 = 0, status = kStatusOk;

  const bool ownGeneration = legacy ? (req == 0x24 || req == 0x25) : (req == 0x26 || req == 0x27);
  const uint8_t cls = cmd & 0xFC;
  if (!ownGeneration) {
    status = kStatusRejected;
  } else if (cls == 0x00 || cls == 0x78) {
    d0 = data;
  } else if (cls == 0x10) {
    if (cmd == 0x13) {
      ServoTest(data, addr, i2cid);
    } else {
      i2c_[static_cast<uint16_t>(i2cid << 8 | addr)] = data;
    }
  } else if (cls == 0x20) {
    auto reg = [&](int k) {
      auto it = i2c_.find(static_cast<uint16_t>(i2cid << 8 | ((addr + k) & 0xFF)));
      return it == i2c_.end() ? uint8_t{0} : it->second;
    };
    d0 = reg(0);
    d1 = reg(1);
    d2 = reg(2);
  } else if (cls == 0x28) {
    d0 = static_cast<uint8_t>(config_.SerialChar(11) & 0x0F);
    d1 = static_cast<uint8_t>(config_.firmwareMinor);
    d2 = static_cast<uint8_t>(config_.firmwareBuild);
  } else if (cls == 0x30) {
    // A steady reading per channel: 0x200 + 0x10 * channel.
    const unsigned channel = legacy ? (addr >> 4) : addr;
    const unsigned value = 0x200 + 0x10 * (channel & 0x0F);
    d0 = static_cast<uint8_t>(value & 0xFF);
    d1 = static_cast<uint8_t>(value >> 8);
  } else if (cls == 0x60) {
    voltage_ = static_cast<uint16_t>(addr << 8 | data);
  } else if (legacy && cls == 0x08) {
    d0 = pins_[data];  // the pin address comes in Data (hosts repeat it in Addr)
  } else if (legacy && cls == 0x18) {
    pins_[addr] = data;
  } else if (legacy && (cls == 0x40 || cls == 0x50 || cls >= 0x80) && cls != 0xF8) {
    d0 = data;  // fixed port and service commands of the older firmware
  } else if (!legacy && cls == 0x38) {
    const auto key = static_cast<uint16_t>(i2cid << 8 | data1);
    uint8_t& port = ports_[key];
    port = static_cast<uint8_t>((port | data) & ~addr);
    d0 = port;
  } else {
    status = kStatusRejected;  // includes 0xF8 and forms this generation never takes
  }

  if (cmd & 0x01) return;  // write-only: the host reads no answer, none is made
  Reply(tag, d0, static_cast<uint8_t>(status | BaseStatus()), d1, d2);
}

// Command 0x13: channels 0-3 move a servo to a position with an apply time;
// 16 and 17 start and stop the automatic device test; 0xFF drives the
// R-board's test output.
void VirtualBoard::ServoTest(uint8_t channel, uint8_t position, uint8_t applyTime) {
  if (channel < 4) {
    servo_[channel] = position;
    servoApply_[channel] = applyTime;
    Emit(Format("Servo CH%d -> %d", channel, position));
  } else if (channel == 16) {
    deviceTest_ = true;
    Emit("Device test started");
  } else if (channel == 17) {
    deviceTest_ = false;
    Emit("Device test stopped");
  } else if (channel == 0xFF) {
    testOutput_ = applyTime;
    Emit(Format("Test output %d", applyTime));
  } else {
    Emit(Format("Test channel %d unknown", channel));
  }
}

}  // namespace vt::sim
