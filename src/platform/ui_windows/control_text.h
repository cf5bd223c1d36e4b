#pragma once

#include <windows.h>

#include <string>

namespace vt::platform::win32 {

// A window's or control's text, whole.
std::wstring WindowText(HWND hwnd);

// The text as a button or label draws it: "&&" shows as "&", and a single
// "&" is not shown (it underlines the letter after it).
std::wstring WithoutPrefix(const std::wstring& text);

}  // namespace vt::platform::win32
