// Texts that would lead the TOML library into its unreachable code path are
// refused with their line before the library sees them; the texts the
// panel writes (degree signs in values, anything in comments) still read.
#include <gtest/gtest.h>

#include <string>

#include "profiles/profile_text.h"
#include "profiles/toml_text_guard.h"

namespace vt::profiles {
namespace {

TEST(TomlTextGuard, CharactersBeyondAsciiOnlyInOneLineValuesAndComments) {
  EXPECT_EQ(CheckTomlTextCharacters("# Grad: \xC2\xB0 \xC3\xA9\n[set1]\nfinger_idle = \"-20\xC2\xB0\"\n"
                                    "x = 'lit \xC2\xA7' # \xC2\xA7\ny = \"esc \\\" \xC2\xB0\"\n"
                                    "a = [\"\xC2\xB0\",'\xC2\xB0', 1]\nt = { v = \"\xC2\xB0\" }\nk.\"q\" = \"\xC2\xB0\"\n"),
            "");
  const struct {
    const char* text;
    const char* expected;
  } refused[] = {
      {"[set1]\nto22\xC2\xB0tal = 1\n", "2: a character beyond ASCII outside a quoted value"},
      {"\xC2\xA7 = 1\n", "1: a character beyond ASCII outside a quoted value"},
      {"a = true\xC2\xB0\n", "1: a character beyond ASCII outside a quoted value"},
      // A quote inside a bare value does not open a string for the library.
      {"a = 1\nb = +\"0\xC2\xB0\"\n", "2: a character beyond ASCII outside a quoted value"},
      {"a = 1'\xC2\xB0'\n", "1: a character beyond ASCII outside a quoted value"},
      {"\"\xC2\xB0\" = 1\n", "1: a character beyond ASCII in a quoted key"},
      {"[ '\xC2\xB0' ]\n", "1: a character beyond ASCII in a quoted key"},
      {"s = \"\"\"\\\n\xC2\xA7\"\"\"\n", "2: a character beyond ASCII in a multi-line string"},
      {"s = '''\n\n\xC2\xA7'''\n", "3: a character beyond ASCII in a multi-line string"},
  };
  for (const auto& r : refused) EXPECT_EQ(CheckTomlTextCharacters(r.text), r.expected) << r.text;
}

TEST(TomlTextGuard, ProfileTextsWithSuchCharactersAreRefusedByName) {
  // The first one is what fuzzing found: a stray degree sign inside a key.
  for (const char* text : {"kind = \"all sets\"\n[set1]\nto22\xC2\xB0tal_shots = \"No Limit\"\n",
                           "s = \"\"\"\\\n\xC2\xA7\"\"\"\n"}) {
    const ProfileBytesResult r = ProfileTextToFile(text, "edited.toml");
    EXPECT_FALSE(r.bytes.has_value());
    EXPECT_EQ(r.error.rfind("edited.toml:", 0), 0u) << r.error;
    EXPECT_NE(r.error.find("beyond ASCII"), std::string::npos) << r.error;
  }
}

}  // namespace
}  // namespace vt::profiles
