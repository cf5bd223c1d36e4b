#include "platform/hid_linux/report_descriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace vt::platform::hidraw {

namespace {

// Item types and tags of the HID report descriptor's short items.
constexpr uint8_t kTypeMain = 0;
constexpr uint8_t kTypeGlobal = 1;
constexpr uint8_t kMainInput = 0x8;
constexpr uint8_t kMainOutput = 0x9;
constexpr uint8_t kMainFeature = 0xB;
constexpr uint8_t kGlobalReportSize = 0x7;
constexpr uint8_t kGlobalReportId = 0x8;
constexpr uint8_t kGlobalReportCount = 0x9;
constexpr uint8_t kGlobalPush = 0xA;
constexpr uint8_t kGlobalPop = 0xB;
constexpr uint8_t kLongItemPrefix = 0xFE;
constexpr size_t kMaxStackDepth = 32;
// No report may be longer than this; larger sums are held here so the
// arithmetic cannot overflow on a hostile descriptor.
constexpr uint64_t kBitCap = uint64_t{1} << 40;

struct GlobalState {
  uint32_t reportSize = 0;
  uint32_t reportCount = 0;
  uint8_t reportId = 0;
};

uint16_t BytesWithId(uint64_t bits) {
  const uint64_t bytes = (bits + 7) / 8 + 1;
  return static_cast<uint16_t>(std::min<uint64_t>(bytes, 0xFFFF));
}

uint16_t Longest(const std::map<uint8_t, uint64_t>& bitsPerId) {
  uint16_t longest = 0;
  for (const auto& [id, bits] : bitsPerId) longest = std::max(longest, BytesWithId(bits));
  return longest;
}

}  // namespace

std::optional<ReportLengths> ParseReportDescriptor(std::span<const uint8_t> d) {
  GlobalState g;
  std::vector<GlobalState> stack;
  std::map<uint8_t, uint64_t> inputBits, outputBits, featureBits;
  bool usesIds = false;

  size_t pos = 0;
  while (pos < d.size()) {
    const uint8_t prefix = d[pos];
    if (prefix == kLongItemPrefix) {
      // Long item: size byte, tag byte, data. Nothing we need is in one.
      if (pos + 3 > d.size()) return std::nullopt;
      const size_t size = d[pos + 1];
      if (pos + 3 + size > d.size()) return std::nullopt;
      pos += 3 + size;
      continue;
    }
    const size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
    if (pos + 1 + size > d.size()) return std::nullopt;
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i) value |= static_cast<uint32_t>(d[pos + 1 + i]) << (8 * i);
    const uint8_t type = (prefix >> 2) & 3;
    const uint8_t tag = prefix >> 4;
    pos += 1 + size;

    if (type == kTypeGlobal) {
      switch (tag) {
        case kGlobalReportSize:
          g.reportSize = value;
          break;
        case kGlobalReportCount:
          g.reportCount = value;
          break;
        case kGlobalReportId:
          g.reportId = static_cast<uint8_t>(value);
          usesIds = true;
          break;
        case kGlobalPush:
          if (stack.size() >= kMaxStackDepth) return std::nullopt;
          stack.push_back(g);
          break;
        case kGlobalPop:
          if (stack.empty()) return std::nullopt;
          g = stack.back();
          stack.pop_back();
          break;
        default:
          break;
      }
    } else if (type == kTypeMain) {
      std::map<uint8_t, uint64_t>* target = nullptr;
      if (tag == kMainInput) target = &inputBits;
      if (tag == kMainOutput) target = &outputBits;
      if (tag == kMainFeature) target = &featureBits;
      if (target != nullptr) {
        const uint64_t add = uint64_t{g.reportSize} * g.reportCount;
        uint64_t& bits = (*target)[g.reportId];
        bits = std::min(bits + add, kBitCap);
      }
    }
  }

  ReportLengths out;
  out.input = Longest(inputBits);
  out.output = Longest(outputBits);
  out.feature = Longest(featureBits);
  out.usesReportIds = usesIds;
  return out;
}

}  // namespace vt::platform::hidraw
