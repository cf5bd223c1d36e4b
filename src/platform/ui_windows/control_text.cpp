#include "platform/ui_windows/control_text.h"

#include <algorithm>

namespace vt::platform::win32 {

std::wstring WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(std::max(0, GetWindowTextW(hwnd, text.data(), length + 1))));
  return text;
}

std::wstring WithoutPrefix(const std::wstring& text) {
  std::wstring shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;
    shown.push_back(text[i]);
  }
  return shown;
}

}  // namespace vt::platform::win32
