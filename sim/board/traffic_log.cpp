#include "sim/board/traffic_log.h"
#include "platform/utf8_path.h"

#include <cstdio>

namespace vt::sim {

const char* KindName(TrafficEntry::Kind kind) {
  switch (kind) {
    case TrafficEntry::Kind::kEnumerate: return "enumerate";
    case TrafficEntry::Kind::kOpen: return "open";
    case TrafficEntry::Kind::kClose: return "close";
    case TrafficEntry::Kind::kWrite: return "write";
    case TrafficEntry::Kind::kRead: return "read";
    case TrafficEntry::Kind::kIndexedString: return "string";
    case TrafficEntry::Kind::kSerial: return "serial";
  }
  return "?";
}

void TrafficLog::Add(TrafficEntry entry) {
  if (file_.is_open()) {
    file_ << name_ << ' ' << Format(entry) << '\n';
    file_.flush();
  }
  entries_.push_back(std::move(entry));
}

std::vector<TrafficEntry> TrafficLog::OfKind(TrafficEntry::Kind kind) const {
  std::vector<TrafficEntry> out;
  for (const auto& e : entries_) {
    if (e.kind == kind) out.push_back(e);
  }
  return out;
}

bool TrafficLog::MirrorTo(const std::string& path, const std::string& boardName) {
  file_.close();
  file_.open(platform::PathFromUtf8(path), std::ios::app);
  name_ = boardName;
  return file_.is_open();
}

std::string TrafficLog::Format(const TrafficEntry& entry) {
  std::string line = KindName(entry.kind);
  char buf[48];
  if (entry.kind == TrafficEntry::Kind::kIndexedString) {
    std::snprintf(buf, sizeof buf, " %u", static_cast<unsigned>(entry.stringIndex));
    line += buf;
  }
  if (entry.kind == TrafficEntry::Kind::kWrite || entry.kind == TrafficEntry::Kind::kRead) {
    std::snprintf(buf, sizeof buf, " wait=%u", static_cast<unsigned>(entry.waitMs));
    line += buf;
  }
  std::snprintf(buf, sizeof buf, " rc=%d", entry.result);
  line += buf;
  if (!entry.bytes.empty()) {
    line += " :";
    for (uint8_t b : entry.bytes) {
      std::snprintf(buf, sizeof buf, " %02X", static_cast<unsigned>(b));
      line += buf;
    }
  }
  return line;
}

}  // namespace vt::sim
