#pragma once

// The profile set's place in the board's info block: the tag-11 record, its
// 640-byte payload (seven stored records and an eighth slot kept as read),
// and how a block is prepared for writing. Everything stays inside the
// 2048-byte block whatever its record chain says.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "profiles/info_block_backup.h"
#include "profiles/profile_model.h"

namespace vt::profiles {

inline constexpr size_t kProfileImageBytes = 640;    // tag-11 payload
inline constexpr uint16_t kProfileRecordLength = 644;  // header included
using ProfileImage = std::array<uint8_t, kProfileImageBytes>;

// A block is valid when its first 16-bit word is 1.
bool InfoBlockValid(std::span<const uint8_t> block);

enum class ImageLookup : uint8_t {
  kFound,    // payloadOffset is set
  kNoData,   // block not valid, or no profile record
  kDamaged,  // a profile record whose payload would reach past the block
};
struct ProfileImageLocation {
  ImageLookup result = ImageLookup::kNoData;
  size_t payloadOffset = 0;
};
ProfileImageLocation LocateProfileImage(std::span<const uint8_t> block);

// The editor's image when the board has none: every profile "- Not
// Selected -", the eighth slot zero.
ProfileImage FallbackProfileImage();

enum class PrepareResult : uint8_t {
  kReady,        // payloadOffset is where the seven records go
  kNotValid,     // the block is not valid: nothing may be written
  kNoFreeSlot,   // the chain has no free slot for a new record
  kNoRoom,       // the new record would not fit behind the chain
  kDamaged,      // the profile record or the chain around it is broken
};
struct PreparedBlock {
  PrepareResult result = PrepareResult::kNotValid;
  size_t payloadOffset = 0;
  bool appended = false;  // a new record was placed at the first free slot
};
// Makes `block` hold a 644-byte profile record: an existing one gets its
// length set, a missing one is appended at the first free slot and the
// chain is ended after it. On any result but kReady the block is unchanged.
PreparedBlock PrepareProfileRecord(InfoBlockBytes& block);

// Puts the firmware checksums (tags 2 and 12) that `current` holds into
// `restored` wherever both blocks have the record: a block put back after a
// firmware update must describe the firmware the board runs now. Returns
// how many checksums changed.
int KeepFirmwareChecksums(InfoBlockBytes& restored, std::span<const uint8_t> current);

}  // namespace vt::profiles
