// Win32Ui: controls grown to show their whole text. The templates were laid
// out for a smaller bitmap font; in the system's dialog font a label or a
// button can be a few pixels short of its text. Such a control grows into
// the free room beside it (never over another control, never out of its
// frame or window), to the right for left-aligned text, evenly for centred
// text; it never shrinks and never moves its text. A closed drop-down list
// grows the same way to show its longest choice whole.
#include <windows.h>

#include <algorithm>
#include <climits>

#include "platform/ui_windows/control_text.h"
#include "platform/ui_windows/win32_ui.h"

namespace vt::platform::win32 {

namespace {

enum class Grow { kNone, kRight, kBoth, kLeft };

struct Need {
  int width = 0;  // pixels the text with its frame takes
  Grow grow = Grow::kNone;
};

// A control's place in its parent's client area.
struct Box {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

Box PlaceOf(HWND control) {
  RECT r{};
  ::GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
          static_cast<int>(r.bottom)};
}

int TextWidth(HWND control, const std::wstring& text) {
  HDC dc = GetDC(control);
  const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  const HGDIOBJ old = SelectObject(dc, font != nullptr ? static_cast<HGDIOBJ>(font)
                                                       : GetStockObject(DEFAULT_GUI_FONT));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size.cx;
}

int LineHeight(HWND control) {
  HDC dc = GetDC(control);
  const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  const HGDIOBJ old = SelectObject(dc, font != nullptr ? static_cast<HGDIOBJ>(font)
                                                       : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return metrics.tmHeight;
}

// The width of a drop-down list's widest choice.
int WidestItem(HWND combo) {
  const auto count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  int widest = 0;
  for (int i = 0; i < count; ++i) {
    const auto length = static_cast<int>(SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0));
    if (length <= 0) continue;
    std::wstring item(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
    item.resize(static_cast<size_t>(length));
    widest = std::max(widest, TextWidth(combo, item));
  }
  return widest;
}

// What a closed drop-down list takes besides its text: the arrow button and
// the field's edges and margins.
int ComboRoom(int dpi) { return GetSystemMetrics(SM_CXVSCROLL) + MulDiv(8, dpi, 96); }

Need NeedOf(ControlClass cls, HWND control) {
  if (cls != ControlClass::Static && cls != ControlClass::CheckBox &&
      cls != ControlClass::PushButton && cls != ControlClass::GroupBox &&
      cls != ControlClass::ComboBox) {
    return {};
  }
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  const int dpi = std::max(96, static_cast<int>(GetDpiForWindow(control)));
  RECT client{};
  GetClientRect(control, &client);
  switch (cls) {
    case ControlClass::Static: {
      const std::wstring text = WindowText(control);
      const LONG type = style & SS_TYPEMASK;
      if (text.empty() || text.find(L'\n') != std::wstring::npos) return {};
      // A label high enough for two lines wraps instead.
      if (type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE && client.bottom >= 2 * LineHeight(control)) {
        return {};
      }
      // A sunken label's border is not room for its text.
      const Box at = PlaceOf(control);
      const int width = TextWidth(control, text) + (at.right - at.left) - static_cast<int>(client.right);
      if (type == SS_CENTER) return {width, Grow::kBoth};
      if (type == SS_RIGHT) return {width, Grow::kLeft};
      if (type == SS_LEFT || type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE) return {width, Grow::kRight};
      return {};
    }
    case ControlClass::CheckBox: {
      const std::wstring text = WithoutPrefix(WindowText(control));
      if (text.empty()) return {};
      return {TextWidth(control, text) + MulDiv(Win32Ui::kCheckRoom, dpi, 96), Grow::kRight};
    }
    case ControlClass::PushButton: {
      const std::wstring text = WithoutPrefix(WindowText(control));
      if (text.empty()) return {};
      return {TextWidth(control, text) + MulDiv(Win32Ui::kButtonRoom, dpi, 96), Grow::kBoth};
    }
    case ControlClass::GroupBox: {
      const std::wstring text = WithoutPrefix(WindowText(control));
      if (text.empty()) return {};
      return {TextWidth(control, text) + MulDiv(Win32Ui::kGroupRoom, dpi, 96), Grow::kBoth};
    }
    case ControlClass::ComboBox: {
      // Any choice may be the one shown, so the field fits the widest.
      const int widest = WidestItem(control);
      if (widest == 0) return {};
      return {widest + ComboRoom(dpi), Grow::kRight};
    }
    default:
      return {};
  }
}

}  // namespace

void Win32Ui::FitToText(const ControlEntry& control) {
  const HWND hwnd = control.hwnd;
  if (hwnd == nullptr) return;
  const Need need = NeedOf(control.cls, hwnd);
  const Box at = PlaceOf(hwnd);
  const int missing = need.width - (at.right - at.left);
  if (need.grow == Grow::kNone || missing <= 0) return;
  // The room: up to the nearest control beside it on the same lines, inside
  // a frame that holds it, inside the window.
  const HWND parent = GetParent(hwnd);
  RECT client{};
  GetClientRect(parent, &client);
  int left = 0;
  int right = static_cast<int>(client.right);
  const int gap = 2;
  for (HWND other = GetWindow(parent, GW_CHILD); other != nullptr; other = GetWindow(other, GW_HWNDNEXT)) {
    if (other == hwnd) continue;
    const Box r = PlaceOf(other);
    if (r.bottom <= at.top || r.top >= at.bottom) continue;
    if (r.left <= at.left && r.right >= at.right && r.top <= at.top && r.bottom >= at.bottom) {
      left = std::max(left, r.left + gap);  // a frame around it
      right = std::min(right, r.right - gap);
    } else if (r.left >= at.right) {
      right = std::min(right, r.left - gap);
    } else if (r.right <= at.left) {
      left = std::max(left, r.right + gap);
    }
  }
  int grownLeft = at.left;
  int grownRight = at.right;
  switch (need.grow) {
    case Grow::kRight:
      grownRight = std::min(right, at.right + missing);
      break;
    case Grow::kLeft:
      grownLeft = std::max(left, at.left - missing);
      break;
    case Grow::kBoth: {
      // Evenly where there is room on both sides, else where there is.
      const int roomLeft = std::max(0, at.left - left);
      const int roomRight = std::max(0, right - at.right);
      int toLeft = std::min(missing / 2, roomLeft);
      const int toRight = std::min(missing - toLeft, roomRight);
      toLeft = std::min(missing - toRight, roomLeft);
      grownLeft = at.left - toLeft;
      grownRight = at.right + toRight;
      break;
    }
    case Grow::kNone:
      return;
  }
  if (grownLeft == at.left && grownRight == at.right) return;
  int height = at.bottom - at.top;
  if (control.cls == ControlClass::ComboBox) {
    // A drop-down list's window height includes its dropped list; its
    // rectangle shows the field only.
    RECT dropped{};
    SendMessageW(hwnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    height = std::max(height, static_cast<int>(dropped.bottom - dropped.top));
  }
  SetWindowPos(hwnd, nullptr, grownLeft, at.top, grownRight - grownLeft, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Ui::FitDropDown(HWND combo, const std::wstring& item) {
  // The list may be wider than the field: each choice reads whole there,
  // as it does in the Qt panel's lists.
  const int dpi = std::max(96, static_cast<int>(GetDpiForWindow(combo)));
  const int need = TextWidth(combo, item) + GetSystemMetrics(SM_CXVSCROLL) + MulDiv(8, dpi, 96);
  if (need > static_cast<int>(SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0))) {
    SendMessageW(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(need), 0);
  }
}

bool Win32Ui::FieldShowsWhole(HWND combo, const std::wstring& item) {
  const int dpi = std::max(96, static_cast<int>(GetDpiForWindow(combo)));
  const Box at = PlaceOf(combo);
  return TextWidth(combo, item) + ComboRoom(dpi) <= at.right - at.left;
}

void Win32Ui::FitAllToText(WindowEntry& entry) {
  for (const ControlEntry& control : entry.controls) FitToText(control);
}

}  // namespace vt::platform::win32
