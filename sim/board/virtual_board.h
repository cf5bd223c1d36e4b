#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/hid_backend.h"
#include "sim/board/board_config.h"
#include "sim/board/traffic_log.h"

namespace vt::sim {

// Faults a test (or the server's options) can arm. Counts are taken from the
// moment the plan is armed; 0 leaves the fault off. Each count fires once.
struct FaultPlan {
  uint32_t failWrite = 0;          // the Nth write is refused with -1
  uint32_t timeoutWrite = 0;       // the Nth write is not taken: 0x102
  uint32_t failStringRead = 0;     // the Nth indexed-string fetch fails
  uint32_t corruptStringRead = 0;  // the Nth fetch returns its bytes inverted
  uint32_t ignoreWrite = 0;        // the Nth write is acknowledged but not carried out
  uint32_t previousTagReplies = 0; // next N command replies: a stale reply first
  uint32_t foreignTagReplies = 0;  // next N command replies carry a foreign tag
  uint32_t goneAfterReports = 0;   // the board drops off the bus after N writes
  uint32_t goneForEnumerations = 1;  // ... and is back after this many scans
  bool refuseOpen = false;         // present, but held exclusively elsewhere
  bool capsInvalid = false;        // report description cannot be read
  // Announce this report length (e.g. above 256) for both directions; the
  // board then takes only writes of exactly that length, as the HID driver
  // would.
  uint16_t reportLengthOverride = 0;
};

// Model of the board firmware, as seen through its HID interface. It answers
// the reports the panel writes, keeps its memory and flash, and emits the
// text lines that the panel's message poll shows. Hosts (the in-process HID
// backend, the wire server) own the handles; the board only tells them when
// handles of an older generation have died.
//
// Board-side conventions the panel does not fix:
//  - a report whose byte 4 is a request code (0x24..0x27) is a command, any
//    other report is a flash report when byte 3 is a flash opcode;
//  - command replies: string 244 returns D0, Status, D1, D2, tag, 0, 0, 0 on
//    newer boards; legacy boards queue the same bytes as an input report
//    (after the report ID byte). Write-only commands (bit 0) make no reply;
//  - status 0x00 ok, 0x8A unsupported or malformed command (including a
//    request code of the other board generation); bit 0x40 is set while the
//    info block is not valid;
//  - writes of any length other than the output report length, or with a
//    report ID other than 0, fail (-1) like they do in the HID driver;
//  - string 246 returns one count byte and that many text bytes taken from
//    the pending message text; lines end in '\n';
//  - string 240 returns the bytes of the last read command (1..120 bytes);
//    a read of more than 120 bytes, or a flash operation that was refused,
//    makes the next fetch of string 240 fail;
//  - a send-twice board executes a flash report only when the identical
//    report arrives twice in a row, and hands out a fresh read-back only on
//    the second fetch after the read (the first fetch repeats the previous
//    read-back). A panel that sends once gets stale data and lost writes.
class VirtualBoard {
 public:
  explicit VirtualBoard(BoardConfig config);
  ~VirtualBoard();
  VirtualBoard(const VirtualBoard&) = delete;
  VirtualBoard& operator=(const VirtualBoard&) = delete;

  const BoardConfig& Config() const { return config_; }

  // The board as a new one built from its configuration: memory, faults,
  // state and traffic log as they left the factory (handles of before are
  // the host's to drop). The memory buffers are kept, which makes this far
  // cheaper than building a new board.
  void FactoryReset();

  // ----- what the hosts call -----
  // Identity as enumeration reports it (faults applied). Each call counts as
  // one bus scan for a board that is away.
  std::optional<platform::HidDeviceInfo> Enumerate();
  // kWaitOk, or kWaitFailed when away or refusing.
  int Open();
  void Close();
  // A handle opened at generation g is dead once Generation() != g.
  uint32_t Generation() const { return generation_; }
  int Write(std::span<const uint8_t> report, uint32_t waitMs);
  // kWaitTimeout when no input report is queued.
  int Read(std::span<uint8_t> buf, uint32_t waitMs, size_t* got);
  int GetIndexedString(uint8_t index, std::span<uint8_t> buf, size_t* got);
  int GetSerial(std::span<uint8_t> buf, size_t* got);

  // ----- faults -----
  void ArmFaults(const FaultPlan& plan);
  const FaultPlan& Faults() const { return faults_; }
  // Unplug and plug back directly.
  void SetPresent(bool present);
  bool Present() const { return present_; }

  // ----- direct access for tests -----
  std::vector<uint8_t> Peek(uint32_t address, size_t count) const;
  // Writes bytes anywhere that is mapped, flash included, without rules.
  // False when part of the range is unmapped.
  bool Poke(uint32_t address, std::span<const uint8_t> bytes);
  bool InProgrammingMode() const { return programming_; }
  // Last position commanded per servo channel 0..3 (0 until moved).
  std::array<uint8_t, 4> ServoPositions() const { return servo_; }
  // Apply time that came with the last move of each channel.
  std::array<uint8_t, 4> ServoApplyTimes() const { return servoApply_; }
  bool DeviceTestRunning() const { return deviceTest_; }
  // The R-board test output (command 0x13 with channel 0xFF).
  uint8_t TestOutput() const { return testOutput_; }
  uint32_t RestartCount() const { return restarts_; }
  uint32_t PostUpdateSwitchCount() const { return postUpdateSwitches_; }
  // Every line the board has emitted, fetched or not, without the '\n'.
  const std::vector<std::string>& MessagesEmitted() const { return messages_; }
  // Text not yet fetched through string 246.
  size_t PendingMessageBytes() const { return pendingText_.size(); }
  // Pin memory and port registers of the command set.
  uint8_t PinMemory(uint8_t address) const { return pins_[address]; }
  uint8_t PortRegister(uint8_t group, uint8_t reg) const;
  TrafficLog& Traffic() { return traffic_; }

  // Flash persistence: all flash regions, in one file, replaced as a whole.
  // False (reason in *error when given) when it cannot be written or is a
  // directory, FIFO or device.
  bool SaveFlash(const std::string& path, std::string* error = nullptr) const;
  // False (and memory unchanged, reason in *error when given) when the file
  // is missing, not a regular file or does not match this board's flash map.
  bool LoadFlash(const std::string& path, std::string* error = nullptr);
  // Set by every flash change, cleared by SaveFlash.
  bool FlashDirty() const { return flashDirty_; }

 private:
  struct Region;
  using RegionStore = std::vector<std::unique_ptr<Region>>;
  // Builds the board in buffers of an earlier one where they fit.
  VirtualBoard(BoardConfig config, RegionStore storage);
  VirtualBoard(VirtualBoard&&) noexcept;
  VirtualBoard& operator=(VirtualBoard&&) noexcept;
  struct Location {
    Region* region = nullptr;
    size_t offset = 0;
    explicit operator bool() const { return region != nullptr; }
    uint8_t* Bytes() const;
  };
  Location Locate(uint32_t address, size_t count) const;
  bool IsFlash(const Location& loc) const;
  void Emit(const std::string& line);
  void FillFresh();
  bool FaultFires(uint32_t& countdown);
  void GoAway();
  void PowerUp();
  void Restart();
  // Start-up checks of the firmware (firmware_check.cpp).
  void CheckFirmware();
  uint16_t OutputLength() const;

  // Report handling (flash_commands.cpp, board_commands.cpp).
  void HandleReport(std::span<const uint8_t> report);
  void HandleFlashReport(std::span<const uint8_t> report);
  void HandleCommand(std::span<const uint8_t> report);
  void Reply(uint8_t tag, uint8_t d0, uint8_t status, uint8_t d1, uint8_t d2);
  uint8_t BaseStatus() const;
  void RefuseFlash(const std::string& why);
  void ReadCommand(uint32_t address, uint32_t count);
  void WritePiece(uint32_t address, std::span<const uint8_t> data);
  void Commit(uint32_t address, uint32_t count);
  void Erase(uint32_t address);
  void Control(uint32_t value);
  void ServoTest(uint8_t channel, uint8_t position, uint8_t applyTime);

  BoardConfig config_;
  BoardConfig factoryConfig_;  // as built (start-up checks may change config_)
  RegionStore regions_;
  FaultPlan faults_;
  uint32_t failWriteIn_ = 0;
  uint32_t timeoutWriteIn_ = 0;
  uint32_t failStringIn_ = 0;
  uint32_t corruptStringIn_ = 0;
  uint32_t ignoreWriteIn_ = 0;
  uint32_t previousTagLeft_ = 0;
  uint32_t foreignTagLeft_ = 0;
  uint32_t goneAfterIn_ = 0;
  uint32_t generation_ = 1;
  bool present_ = true;
  bool returnsByItself_ = false;
  uint32_t awayScans_ = 0;

  bool programming_ = false;
  mutable bool flashDirty_ = false;
  uint32_t restarts_ = 0;
  uint32_t postUpdateSwitches_ = 0;

  std::array<uint8_t, 8> replySlot_{};       // string 244
  std::array<uint8_t, 8> staleReply_{};      // answered once before replySlot_
  bool staleReplyPending_ = false;
  std::deque<std::vector<uint8_t>> inputReports_;  // legacy reply path
  std::vector<uint8_t> readBack_;            // string 240
  std::vector<uint8_t> staleReadBack_;       // send-twice: first fetch
  bool firstFetchStale_ = false;
  bool readBackFails_ = false;
  std::vector<uint8_t> armedReport_;         // send-twice write pairing
  std::string pendingText_;                  // string 246
  std::vector<std::string> messages_;

  std::array<uint8_t, 4> servo_{};
  std::array<uint8_t, 4> servoApply_{};
  bool deviceTest_ = false;
  uint8_t testOutput_ = 0;
  std::array<uint8_t, 256> pins_{};
  std::map<uint16_t, uint8_t> ports_;  // (group << 8 | register) -> value
  std::map<uint16_t, uint8_t> i2c_;    // (device << 8 | register) -> value
  uint16_t voltage_ = 0;

  TrafficLog traffic_;
};

}  // namespace vt::sim
