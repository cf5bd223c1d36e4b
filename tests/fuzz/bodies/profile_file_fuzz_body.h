#pragma once

// Profile files as a user hands them to the panel: the binary form and the
// text form. Whatever parses must survive the round trips the command line
// offers (`profiles convert`), byte for byte.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "profiles/profile_file.h"
#include "profiles/profile_text.h"
#include "tests/fuzz/bodies/fuzz_input.h"

namespace vt::fuzz {

inline void RunProfileFileInput(std::span<const uint8_t> data) {
  using namespace vt::profiles;
  // The binary form.
  const ProfileFileParse parsed = ParseProfileFile(data);
  if (parsed.file) {
    Require(parsed.file->records.size() <= 7, "at most seven records");
    for (int tab = -1; tab <= 8; ++tab) PlanProfileFileLoad(*parsed.file, tab);
    const ProfileTextResult text = ProfileFileToText(data);
    if (text.text) {
      const ProfileBytesResult back = ProfileTextToFile(*text.text, "fuzz.toml");
      Require(back.bytes.has_value(), "the text of a file reads back");
      const size_t body = kProfileFileHeaderSize + parsed.file->records.size() * kRecordSize;
      Require(back.bytes->size() == body && std::equal(back.bytes->begin(), back.bytes->end(), data.begin()),
              "file -> text -> file gives the same bytes");
    }
  }
  // The text form.
  const std::string_view asText(reinterpret_cast<const char*>(data.data()), data.size());
  const ProfileBytesResult bytes = ProfileTextToFile(asText, "fuzz.toml");
  if (bytes.bytes) {
    const ProfileFileParse again = ParseProfileFile(*bytes.bytes);
    Require(again.file.has_value(), "a text's file parses");
    const ProfileTextResult text = ProfileFileToText(*bytes.bytes);
    Require(text.text.has_value(), "a text's file converts to text");
    const ProfileBytesResult back = ProfileTextToFile(*text.text, "fuzz.toml");
    Require(back.bytes == bytes.bytes, "text -> file -> text -> file is stable");
  } else {
    Require(!bytes.error.empty(), "a refused text says why");
  }
}

}  // namespace vt::fuzz
