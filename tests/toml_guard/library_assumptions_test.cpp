// Every text the profile text guard lets through goes into the TOML library
// itself, built here with its internal assertions and unreachable points
// turned into a note instead of undefined behaviour. A text the guard should
// have refused then fails this test instead of crashing a release build. The
// texts are put together at random from pieces that lead into the library's
// number, date, string, array, table and whitespace readers.
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {
// What the library would have assumed about its input, and where, the first
// time an assumption failed while reading one text.
thread_local const char* g_brokenAssumption = nullptr;
}  // namespace

// The library's own code, with the macros below, falls through or runs off
// the end of a function where it marked a point unreachable.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wreturn-type"
#include <toml++/impl/preprocessor.h>
#undef TOML_UNREACHABLE
#define TOML_UNREACHABLE (g_brokenAssumption = g_brokenAssumption ? g_brokenAssumption : "an unreachable point")
#undef TOML_ASSERT
#undef TOML_ASSERT_ASSUME
#define TOML_ASSERT(expr) \
  ((expr) ? void() : void(g_brokenAssumption = g_brokenAssumption ? g_brokenAssumption : #expr))
#define TOML_ASSERT_ASSUME(expr) TOML_ASSERT(expr)
#include <toml++/toml.h>
#pragma GCC diagnostic pop

#include <gtest/gtest.h>

#include "profiles/toml_text_guard.h"

namespace vt::profiles {
namespace {

// nullptr when the library read the text (or refused it) within what it
// assumes; otherwise the assumption it broke.
const char* BrokenAssumption(const std::string& text) {
  g_brokenAssumption = nullptr;
  try {
    (void)toml::parse(text);
  } catch (const toml::parse_error&) {
  }
  return g_brokenAssumption;
}

const std::vector<std::string>& Pieces() {
  static const std::vector<std::string> pieces = {
      "t", "=", "6", "66", "0", "9", "1979-05-27", "1979-05-27 ", "07:32", "07:32:00", "1979-05-27T07:32:00",
      "T", "Z", "z", "+07:00", "1.5", "0.", ".5", "1e5", "e+", "E-", "0x", "0b", "0o", "p", "x", "1_0", "_", "+",
      "-", ":", ".", "e", "a", "a.b", "inf", "-inf", "+inf", "nan", "true", "false", "f", "i", "n", " ", "  ",
      "\t", "\n", "\r", "\r\n", "\x0b", "\x7f", std::string(1, '\0'), "=", "{", "}", "[", "]", "[[", "]]", ",",
      "#", "[a]", "{a=1}", "\"", "'", "\"\"\"", "'''", "\"\"\"\n", "\"a\"", "'a'", "\\", "\\\n", "\\u00b0",
      "\xC2\xB0", "\xEF\xBB\xBF", "\xC2\xA0", "\xE2\x80\xA8", "\xC2\x85"};
  return pieces;
}

std::string RandomText(std::mt19937& random) {
  const auto& pieces = Pieces();
  std::string text = random() % 2 ? "t=" : "";
  const int count = 1 + static_cast<int>(random() % 12);
  for (int i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
  return text;
}

bool IsAscii(const std::string& text) {
  for (const unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

std::string Shown(const std::string& text) {
  std::string shown;
  for (const unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      shown += static_cast<char>(c);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      shown += hex;
    }
  }
  return shown;
}

TEST(TomlGuardAgainstLibrary, NoTextLetThroughBreaksWhatTheLibraryAssumes) {
  std::mt19937 random(20261211);
  int accepted = 0;
  int brokenWhenRefused = 0;
  for (int i = 0; i < 300000; ++i) {
    const std::string text = RandomText(random);
    if (!CheckTomlTextCharacters(text).empty()) {
      // Past its unreachable points the library would run off the end of a
      // function, so only refused texts in plain ASCII, which cannot reach
      // them, are read to see that the pieces do reach its assumptions.
      if (IsAscii(text)) brokenWhenRefused += BrokenAssumption(text) != nullptr;
      continue;
    }
    ++accepted;
    const char* broken = BrokenAssumption(text);
    ASSERT_EQ(broken, nullptr) << "the library assumes " << broken << " and the guard let through \""
                               << Shown(text) << "\"";
  }
  // The pieces do reach what the library assumes: some refused texts break
  // it, so a guard that lets everything through would fail above.
  EXPECT_GT(brokenWhenRefused, 0);
  EXPECT_GT(accepted, 100000);
}

}  // namespace
}  // namespace vt::profiles
