#pragma once

// Debian's TOML library (toml++ 3.3) reaches a code path it marks as
// unreachable when it meets a character beyond ASCII where it looks for
// spaces: at the start of a line, around keys and values, in a quoted key,
// after a line-ending backslash in a multi-line string. It also assumes,
// without checking, that a table header's name starts with a key character
// or a quote, that no '}' stands where an array expects a value, and that a
// date's time starts with a digit. All of that is undefined behaviour in an
// optimised build. Profile texts never need any of it, so a text is checked
// before the library sees it.

#include <string>
#include <string_view>

namespace vt::profiles {

// Empty when every byte beyond ASCII sits inside a one-line quoted value or
// a comment, every table header starts with a name, no array holds a '}'
// and every date's 'T' or space is followed by an hour; otherwise
// "LINE: reason" for the first place that does not.
std::string CheckTomlTextCharacters(std::string_view text);

}  // namespace vt::profiles
