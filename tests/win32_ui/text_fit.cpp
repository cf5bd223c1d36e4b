#include "tests/win32_ui/text_fit.h"

#include <algorithm>

#include "platform/ui_windows/control_text.h"
#include "platform/ui_windows/wide_text.h"
#include "platform/ui_windows/win32_ui.h"

namespace vt::platform::win32 {

namespace {

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

// Measures with the control's font on the control's own device context.
class Measure {
 public:
  explicit Measure(HWND control) : control_(control), dc_(GetDC(control)) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    old_ = SelectObject(dc_, font != nullptr ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  }
  ~Measure() {
    SelectObject(dc_, old_);
    ReleaseDC(control_, dc_);
  }
  Measure(const Measure&) = delete;
  Measure& operator=(const Measure&) = delete;

  int Width(const std::wstring& text) const {
    SIZE size{};
    GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
  }
  // The height of `text` wrapped at `width`, and whether a word is wider.
  int WrappedHeight(const std::wstring& text, int width, bool* wordTooWide) const {
    RECT r{0, 0, width, 0};
    DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    *wordTooWide = r.right > width;
    return r.bottom;
  }

 private:
  HWND control_;
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

int Dpi(HWND hwnd) {
  HDC dc = GetDC(hwnd);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(hwnd, dc);
  return dpi > 0 ? dpi : 96;
}

void CheckControl(HWND control, std::vector<ClippedText>& out) {
  if ((GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) == 0) return;
  const std::wstring cls = ClassOf(control);
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  RECT client{};
  GetClientRect(control, &client);
  const int width = client.right;
  const int height = client.bottom;
  const int id = GetDlgCtrlID(control);
  const Measure measure(control);
  auto report = [&](const std::wstring& text, int need, int have) {
    if (need > have) out.push_back({id, text, need, have});
  };
  const int scale = Dpi(control);
  if (_wcsicmp(cls.c_str(), L"Static") == 0) {
    const std::wstring text = WindowText(control);
    const LONG type = style & SS_TYPEMASK;
    if (text.empty() || (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT &&
                         type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE)) {
      return;
    }
    if (type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE || (style & SS_ENDELLIPSIS) != 0) {
      report(text, measure.Width(text), width);
      return;
    }
    bool wordTooWide = false;
    const int need = measure.WrappedHeight(text, width, &wordTooWide);
    if (wordTooWide) {
      report(text, width + 1, width);
    } else {
      report(text, need, height);
    }
    return;
  }
  if (_wcsicmp(cls.c_str(), L"Button") == 0) {
    const std::wstring text = WithoutPrefix(WindowText(control));
    if (text.empty()) return;
    switch (style & BS_TYPEMASK) {
      case BS_GROUPBOX:
        // The caption sits in the frame's top edge, a margin in from each side.
        report(text, measure.Width(text), width - MulDiv(Win32Ui::kGroupRoom, scale, 96));
        return;
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_3STATE:
      case BS_AUTO3STATE:
      case BS_RADIOBUTTON:
      case BS_AUTORADIOBUTTON:
        report(text, measure.Width(text), width - MulDiv(Win32Ui::kCheckRoom, scale, 96));
        return;
      default:
        report(text, measure.Width(text), width - MulDiv(Win32Ui::kButtonRoom, scale, 96));
        return;
    }
  }
  if (_wcsicmp(cls.c_str(), L"ComboBox") == 0) {
    // Every choice reads whole in the dropped list (which may be wider
    // than the field).
    const auto dropped = static_cast<int>(SendMessageW(control, CB_GETDROPPEDWIDTH, 0, 0));
    const int field = std::max(dropped, width) - GetSystemMetrics(SM_CXVSCROLL) - MulDiv(6, scale, 96);
    const auto count = static_cast<int>(SendMessageW(control, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      const auto length = static_cast<int>(SendMessageW(control, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0));
      if (length <= 0) continue;
      std::wstring item(static_cast<size_t>(length) + 1, L'\0');
      SendMessageW(control, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
      item.resize(static_cast<size_t>(length));
      report(item, measure.Width(item), field);
    }
  }
}

}  // namespace

std::vector<ClippedText> ClippedTexts(HWND dialog) {
  std::vector<ClippedText> clipped;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    CheckControl(child, clipped);
  }
  return clipped;
}

std::string Describe(const std::vector<ClippedText>& clipped) {
  std::string text;
  for (const ClippedText& c : clipped) {
    text += "  control " + std::to_string(c.id) + " \"" + Narrow(c.text) + "\": needs " +
            std::to_string(c.need) + " px, has " + std::to_string(c.have) + "\n";
  }
  return text;
}

}  // namespace vt::platform::win32
