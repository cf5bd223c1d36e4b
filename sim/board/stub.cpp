#include "sim/board/virtual_board.h"

namespace vt::sim {

uint8_t BoardConfig::SerialChar(size_t k) const {
  return k < serial.size() ? static_cast<uint8_t>(serial[k] & 0xFF) : 0;
}
bool BoardConfig::IsLegacy() const { return (version >> 8) <= 4 && SerialChar(0) < 'A'; }
bool BoardConfig::IsVariantR() const { return SerialChar(0) == 'R'; }
bool BoardConfig::NeedsSendTwice() const {
  return SerialChar(0) == 'W' && (SerialChar(12) == 0x7F || SerialChar(12) == 0);
}
BoardConfig BoardConfig::Standard(char letter) {
  BoardConfig c;
  c.serial = u"W100004711" ;
  c.serial[0] = static_cast<char16_t>(letter);
  return c;
}
BoardConfig BoardConfig::VariantAB(char letter) { return Standard(letter); }
BoardConfig BoardConfig::VariantR() { return Standard('R'); }
BoardConfig BoardConfig::Legacy() { return Standard('1'); }
BoardConfig BoardConfig::SendTwice(bool) { return Standard('W'); }
std::optional<BoardConfig> BoardConfig::FromPreset(std::string_view) { return Standard(); }
std::vector<std::string> BoardConfig::PresetNames() { return {"standard"}; }

const char* KindName(TrafficEntry::Kind) { return "?"; }
void TrafficLog::Add(TrafficEntry entry) { entries_.push_back(std::move(entry)); }
std::vector<TrafficEntry> TrafficLog::OfKind(TrafficEntry::Kind) const { return entries_; }
bool TrafficLog::MirrorTo(const std::string&, const std::string&) { return false; }
std::string TrafficLog::Format(const TrafficEntry&) { return {}; }

struct VirtualBoard::Region {};
VirtualBoard::VirtualBoard(BoardConfig config) : config_(std::move(config)) {}
VirtualBoard::~VirtualBoard() = default;
std::optional<platform::HidDeviceInfo> VirtualBoard::Enumerate() { return std::nullopt; }
int VirtualBoard::Open() { return platform::kWaitFailed; }
void VirtualBoard::Close() {}
int VirtualBoard::Write(std::span<const uint8_t>, uint32_t) { return platform::kWaitFailed; }
int VirtualBoard::Read(std::span<uint8_t>, uint32_t, size_t* got) { *got = 0; return platform::kWaitFailed; }
int VirtualBoard::GetIndexedString(uint8_t, std::span<uint8_t>, size_t* got) { *got = 0; return platform::kWaitFailed; }
int VirtualBoard::GetSerial(std::span<uint8_t>, size_t* got) { *got = 0; return platform::kWaitFailed; }
void VirtualBoard::ArmFaults(const FaultPlan& plan) { faults_ = plan; }
void VirtualBoard::SetPresent(bool present) { present_ = present; }
std::vector<uint8_t> VirtualBoard::Peek(uint32_t, size_t count) const { return std::vector<uint8_t>(count); }
bool VirtualBoard::Poke(uint32_t, std::span<const uint8_t>) { return false; }
uint8_t VirtualBoard::PortRegister(uint8_t, uint8_t) const { return 0; }
bool VirtualBoard::SaveFlash(const std::string&) const { return false; }
bool VirtualBoard::LoadFlash(const std::string&) { return false; }

}  // namespace vt::sim
