#include "profiles/profile_image.h"

#include <algorithm>

#include "flash/info_block.h"

namespace vt::profiles {
namespace {

uint16_t Le16(std::span<const uint8_t> b, size_t offset) {
  return static_cast<uint16_t>(b[offset] | (b[offset + 1] << 8));
}

void PutLe16(InfoBlockBytes& b, size_t offset, uint16_t v) {
  b[offset] = static_cast<uint8_t>(v & 0xFF);
  b[offset + 1] = static_cast<uint8_t>(v >> 8);
}

std::optional<size_t> Find(std::span<const uint8_t> block, uint16_t tag, uint16_t* length) {
  flash::InfoRecordWalk walk;
  walk.block = block;
  walk.wantedTag = tag;
  const auto found = flash::FindInfoRecord(walk, flash::kInfoBlockSize);
  if (length != nullptr) *length = walk.lastLength;
  return found;
}

}  // namespace

bool InfoBlockValid(std::span<const uint8_t> block) {
  return block.size() >= 2 && Le16(block, 0) == 1;
}

ProfileImageLocation LocateProfileImage(std::span<const uint8_t> block) {
  if (!InfoBlockValid(block)) return {};
  const auto payload = Find(block, flash::kProfilesTag, nullptr);
  if (!payload) return {};
  if (*payload > block.size() || block.size() - *payload < kProfileImageBytes) {
    return {ImageLookup::kDamaged, 0};
  }
  return {ImageLookup::kFound, *payload};
}

ProfileImage FallbackProfileImage() {
  ProfileImage image{};
  const ProfileRecordsBytes records = FallbackProfileRecords();
  std::copy(records.begin(), records.end(), image.begin());
  return image;
}

namespace {

PreparedBlock PlaceProfileRecord(InfoBlockBytes& block);

}  // namespace

// The record is placed, then the chain is walked again: only a block in
// which the walk finds the profile record where it was put is handed on.
// Anything else (a slot the walk reported inside a record whose header was
// never finished, for one) leaves the block as it was.
PreparedBlock PrepareProfileRecord(InfoBlockBytes& block) {
  const InfoBlockBytes before = block;
  const PreparedBlock placed = PlaceProfileRecord(block);
  if (placed.result != PrepareResult::kReady) return placed;
  const ProfileImageLocation found = LocateProfileImage(block);
  if (found.result != ImageLookup::kFound || found.payloadOffset != placed.payloadOffset) {
    block = before;
    return {PrepareResult::kDamaged, 0, false};
  }
  return placed;
}

int KeepFirmwareChecksums(InfoBlockBytes& restored, std::span<const uint8_t> current) {
  int changed = 0;
  for (const uint16_t tag : {flash::kAppChecksumTag, flash::kBootChecksumTag}) {
    uint16_t restoredLength = 0;
    uint16_t currentLength = 0;
    const auto to = Find(restored, tag, &restoredLength);
    const auto from = Find(current, tag, &currentLength);
    if (!to || !from || *to + 2 > restored.size() || *from + 2 > current.size()) continue;
    if (restoredLength < flash::kRecordHeaderBytes + 2 || currentLength < flash::kRecordHeaderBytes + 2) continue;
    const uint16_t value = Le16(current, *from);
    if (Le16(restored, *to) == value) continue;
    PutLe16(restored, *to, value);
    ++changed;
  }
  return changed;
}

namespace {

PreparedBlock PlaceProfileRecord(InfoBlockBytes& block) {
  if (!InfoBlockValid(block)) return {PrepareResult::kNotValid, 0, false};
  const std::span<const uint8_t> view(block);

  uint16_t length = 0;
  if (const auto payload = Find(view, flash::kProfilesTag, &length)) {
    const size_t start = *payload - flash::kRecordHeaderBytes;
    if (block.size() - *payload < kProfileImageBytes) return {PrepareResult::kDamaged, 0, false};
    if (length != kProfileRecordLength) {
      // Resizing the record is only harmless when nothing follows it: a
      // record after it would be overwritten or cut off from the chain.
      const size_t next = start + length;
      if (next + 2 <= block.size() && Le16(view, next) != flash::kFreeTag) {
        return {PrepareResult::kDamaged, 0, false};
      }
      // The chain now ends right after the resized record.
      if (*payload + kProfileImageBytes + 2 <= block.size()) {
        PutLe16(block, *payload + kProfileImageBytes, flash::kFreeTag);
      }
    }
    PutLe16(block, start + 2, kProfileRecordLength);
    return {PrepareResult::kReady, *payload, false};
  }

  const auto slot = Find(view, flash::kFreeTag, nullptr);
  if (!slot) return {PrepareResult::kNoFreeSlot, 0, false};
  const size_t p = *slot;
  // A free slot starts with an erased tag. A walk that stopped at a record
  // whose length was never written reports the slot two bytes further on;
  // appending there would overwrite the end of the record before it.
  if (p < flash::kRecordHeaderBytes || Le16(view, p - flash::kRecordHeaderBytes) != flash::kFreeTag) {
    return {PrepareResult::kDamaged, 0, false};
  }
  if (p > block.size() || block.size() - p < kProfileImageBytes) {
    return {PrepareResult::kNoRoom, 0, false};
  }
  PutLe16(block, p - 4, flash::kProfilesTag);
  PutLe16(block, p - 2, kProfileRecordLength);
  for (size_t offset : {634u, 636u, 638u, 640u}) {
    if (p + offset + 2 <= block.size()) PutLe16(block, p + offset, 0xFFFF);
  }
  return {PrepareResult::kReady, p, true};
}

}  // namespace
}  // namespace vt::profiles
