#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace vt::sim {

// One HID primitive as the board saw it.
struct TrafficEntry {
  enum class Kind { kEnumerate, kOpen, kClose, kWrite, kRead, kIndexedString, kSerial };
  Kind kind = Kind::kWrite;
  uint8_t stringIndex = 0;  // kIndexedString only
  uint32_t waitMs = 0;      // kWrite, kRead
  int result = 0;
  std::vector<uint8_t> bytes;  // written, or handed back to the host
};

const char* KindName(TrafficEntry::Kind kind);

// In-memory record of a board's traffic, optionally mirrored to a text file
// (one line per primitive: kind, result and bytes in hex).
class TrafficLog {
 public:
  void Add(TrafficEntry entry);
  const std::vector<TrafficEntry>& Entries() const { return entries_; }
  // Only the entries of one kind.
  std::vector<TrafficEntry> OfKind(TrafficEntry::Kind kind) const;
  void Clear() { entries_.clear(); }
  // Mirrors every later entry to the file (appending). False when it cannot
  // be opened.
  bool MirrorTo(const std::string& path, const std::string& boardName);
  static std::string Format(const TrafficEntry& entry);

 private:
  std::vector<TrafficEntry> entries_;
  std::ofstream file_;
  std::string name_;
};

}  // namespace vt::sim
