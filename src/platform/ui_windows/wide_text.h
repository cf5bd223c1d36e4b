#pragma once

#include <string>
#include <string_view>

namespace vt::platform::win32 {

// UTF-8 (the program's text) to UTF-16 (the Windows API's) and back.
// Invalid sequences become U+FFFD rather than cutting the text short.
std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

}  // namespace vt::platform::win32
