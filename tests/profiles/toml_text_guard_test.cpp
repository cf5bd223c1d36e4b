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
                                    "a = [\"\xC2\xB0\",'\xC2\xB0', 1]\nt = { v = \"\xC2\xB0\" }\nk.\"q\" = \"\xC2\xB0\"\n"
                                    "[h.\"q\"]\nt = { a.\"b\" = \"\xC2\xB0\", c.'d' = [\"\xC2\xB0\"] }\n"),
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
      // Nor after the '.' of a number: only a dotted key's '.' does.
      {"s=6.\"\xC2\xB0", "1: a character beyond ASCII outside a quoted value"},
      {"t = { a.\"b\" = [1.\"\xC2\xB0\"] }\n", "1: a character beyond ASCII outside a quoted value"},
      // Nor after a second '=', which is part of a bare value.
      {"4=4=\"\xEF\xBB\x9F", "1: a character beyond ASCII outside a quoted value"},
      {"a = 1\nt = { b = c=\"\xC2\xB0\" }\n", "2: a character beyond ASCII outside a quoted value"},
      // Inside a bare value a '{' or '[' opens nothing, so the quote after it
      // opens no string either.
      {"t=66{\"\xEF\xBB\xBFg =e", "1: a character beyond ASCII outside a quoted value"},
      {"t = [0[\"=\xC2\xB0\"]]\n", "1: a character beyond ASCII outside a quoted value"},
      {"\"\xC2\xB0\" = 1\n", "1: a character beyond ASCII in a quoted key"},
      {"[ '\xC2\xB0' ]\n", "1: a character beyond ASCII in a quoted key"},
      {"s = \"\"\"\\\n\xC2\xA7\"\"\"\n", "2: a character beyond ASCII in a multi-line string"},
      {"s = '''\n\n\xC2\xA7'''\n", "3: a character beyond ASCII in a multi-line string"},
      // A table header whose name starts with neither a key character nor a
      // quote: the library only asserts this. Fuzzing found the first.
      {"[)", "1: a table header without a name after '['"},
      {"a = 1 # [\n[[ \x01b]]\n", "2: a table header without a name after '['"},
      {"[set1] # [\n[\n", "2: a table header without a name after '['"},
      // A '}' where an array expects a value: the library only asserts it.
      {"S=[}", "1: a '}' inside an array"},
      // A date-like value, one space and a lone digit: the library takes it
      // for the start of a time and asserts that more follows.
      {"t=6-----a--- 8#", "1: a lone digit after a value and a space"},
      {"a = 1\nt = 1979-05-27 0\n", "2: a lone digit after a value and a space"},
      {"t = [1979-05-27 0]", "1: a lone digit after a value and a space"},
      {"t = { d = 1979-05-27 0}", "1: a lone digit after a value and a space"},
      {"t = 1979-05-2= 0,", "1: a lone digit after a value and a space"},
      // A date's 'T' with no hour after it: the library asserts the digit.
      {"t=1979-05-27T:66", "1: a date's 'T' without an hour after it"},
      {"a = 1\nt = [1979-05-27true]\n", "2: a date's 'T' without an hour after it"},
      {"t = 1979-05-27T", "1: a date's 'T' without an hour after it"},
      {"a = [1,\n# }\n }]\n", "3: a '}' inside an array"},
      {"t = { a = [ { b = 1 } }\n", "1: a '}' inside an array"},
  };
  for (const auto& r : refused) EXPECT_EQ(CheckTomlTextCharacters(r.text), r.expected) << r.text;
}

TEST(TomlTextGuard, DateTimesWithASpaceAndSpacedItemsStillRead) {
  for (const char* text : {"t = 1979-05-27 07:32:00\n", "t = [1979-05-27 07:32:00Z, 1]\n", "a = [ 1, 2 ]\n",
                           "t = 1979-05-27T07:32:00-07:00\n", "t = 1979-05-27t07:32:00z\n", "b = [true, false, 0x1F, -inf]\n",
                           "s = [\"66{\xC2\xB0\", '1979-05-27T\xC2\xB0', 1]\n", "t = { a = 1979-05-27, b = [1,2], c = \"\xC2\xB0\" }\n",
                           "a = [\n 1,\n 2 ]\n", "t = { a = 1, b = 2 }\n", "x = \"1 2\" # 3 4\n"}) {
    EXPECT_EQ(CheckTomlTextCharacters(text), "") << text;
  }
}

TEST(TomlTextGuard, BracketsInsideValuesAreNotHeaders) {
  // An array continued on a new line may start that line with any '[';
  // only a '[' outside every value opens a table header.
  for (const char* text : {"a = [\n[ [1] ], ['{'],\n]\n[b]\nc = 1\n", "t = { a = [\n[ ] ] }\n[ \"q\" ]\n", "[]\n",
                           "[a] # a comment ends the header's line\nb = [\n[ [1] ]]\n", "t = { a = [{ b = [] }] }\n"}) {
    EXPECT_EQ(CheckTomlTextCharacters(text), "") << text;
  }
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
