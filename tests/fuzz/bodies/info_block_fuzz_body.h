#pragma once

// The board's 2048-byte info block as the panel and the virtual board's
// firmware meet it: chain walks for every tag, the profile record's place,
// and preparing a block for a profile write. No walk may leave the block, a
// block the panel refuses to prepare stays untouched, and a prepared one
// holds its profile record where the next read will look. (The virtual
// board's own walk at restart is reached through the wire server target.)
#include <algorithm>
#include <cstdint>
#include <span>

#include "flash/info_block.h"
#include "flash/region_program.h"
#include "profiles/profile_image.h"
#include "tests/fuzz/bodies/fuzz_input.h"

namespace vt::fuzz {

inline void RunInfoBlockInput(std::span<const uint8_t> data) {
  using namespace vt::profiles;
  FuzzInput in(data);
  // Bytes the input does not reach read as erased flash, or as zeros.
  const uint8_t fill = in.Bool() ? 0x00 : 0xFF;
  const uint16_t anyTag = in.U16();
  const size_t anyLimit = in.U16();
  InfoBlockBytes block;
  block.fill(fill);
  const auto bytes = in.Bytes(block.size());
  std::copy(bytes.begin(), bytes.end(), block.begin());

  for (uint16_t tag : {flash::kHeaderTag, flash::kAppChecksumTag, flash::kProfilesTag,
                       flash::kBootChecksumTag, flash::kFreeTag, anyTag}) {
    for (size_t limit : {size_t{flash::kInfoBlockSize}, anyLimit}) {
      flash::InfoRecordWalk walk{block, tag, 0, std::nullopt};
      const auto payload = flash::FindInfoRecord(walk, limit);
      Require(!payload || *payload <= block.size(), "a payload lies inside the block");
      Require(payload == walk.payload, "the walk keeps what it returns");
    }
    for (size_t need : {size_t{2}, size_t{640}}) {
      const auto payload = flash::FindRecordPayload(block, tag, need);
      Require(!payload || *payload + need <= block.size(), "a payload of that size fits");
    }
  }

  const ProfileImageLocation where = LocateProfileImage(block);
  Require(where.result != ImageLookup::kFound || where.payloadOffset + kProfileImageBytes <= block.size(),
          "the profile image lies inside the block");
  InfoBlockBytes prepared = block;
  const PreparedBlock p = PrepareProfileRecord(prepared);
  if (p.result != PrepareResult::kReady) {
    Require(prepared == block, "a refused block is left alone");
  } else {
    Require(p.payloadOffset + kProfileImageBytes <= prepared.size(), "the prepared image fits");
    const ProfileImageLocation again = LocateProfileImage(prepared);
    Require(again.result == ImageLookup::kFound && again.payloadOffset == p.payloadOffset,
            "a prepared block finds its profile record where it was put");
    Require(InfoBlockValid(prepared), "a prepared block stays valid");
  }
}

}  // namespace vt::fuzz
