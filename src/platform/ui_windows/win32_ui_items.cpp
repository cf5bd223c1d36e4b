// Win32Ui: combo boxes, track bars, list boxes, tabs and progress bars.
// None of the messages used here notifies the owner, so the program's own
// changes raise no events.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "platform/ui_windows/wide_text.h"
#include "platform/ui_windows/win32_ui.h"

namespace vt::platform::win32 {

namespace {

bool InRange(int index, int count) { return index >= 0 && index < count; }

int Count(HWND hwnd, UINT message) {
  if (hwnd == nullptr) return 0;
  const LRESULT count = SendMessageW(hwnd, message, 0, 0);
  return count < 0 ? 0 : static_cast<int>(count);
}

std::string ItemString(HWND hwnd, UINT lengthMessage, UINT textMessage, int index) {
  const LRESULT length = SendMessageW(hwnd, lengthMessage, static_cast<WPARAM>(index), 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(hwnd, textMessage, static_cast<WPARAM>(index),
                                   reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, length)));
  return Narrow(text);
}

}  // namespace

// ---- Selector -----------------------------------------------------------------

void Win32Ui::ClearSelector(WindowHandle window, uint16_t id) {
  if (const HWND combo = HwndOf(window, id, ControlClass::ComboBox)) {
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    SendMessageW(combo, CB_SETDROPPEDWIDTH, 0, 0);  // as wide as the field again
  }
}

int Win32Ui::AddSelectorItem(WindowHandle window, uint16_t id, const std::string& text,
                             int32_t data) {
  const HWND combo = HwndOf(window, id, ControlClass::ComboBox);
  if (combo == nullptr) return -1;
  const std::wstring wide = Widen(text);
  const LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  if (index < 0) return -1;
  SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
  FitDropDown(combo, wide);
  // The closed field grows too when this choice would not show whole.
  if (const ControlEntry* control = Find(window, id); control != nullptr && !FieldShowsWhole(combo, wide)) {
    FitToText(*control);
  }
  return static_cast<int>(index);
}

int Win32Ui::SelectorCount(WindowHandle window, uint16_t id) const {
  return Count(HwndOf(window, id, ControlClass::ComboBox), CB_GETCOUNT);
}

void Win32Ui::SelectIndex(WindowHandle window, uint16_t id, int index) {
  const HWND combo = HwndOf(window, id, ControlClass::ComboBox);
  if (combo == nullptr || (index != -1 && !InRange(index, Count(combo, CB_GETCOUNT)))) return;
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32Ui::SelectedIndex(WindowHandle window, uint16_t id) const {
  const HWND combo = HwndOf(window, id, ControlClass::ComboBox);
  if (combo == nullptr) return -1;
  const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  return index < 0 ? -1 : static_cast<int>(index);
}

std::optional<int32_t> Win32Ui::ItemData(WindowHandle window, uint16_t id, int index) const {
  const HWND combo = HwndOf(window, id, ControlClass::ComboBox);
  if (combo == nullptr || !InRange(index, Count(combo, CB_GETCOUNT))) return std::nullopt;
  return static_cast<int32_t>(SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

std::string Win32Ui::ItemText(WindowHandle window, uint16_t id, int index) const {
  const HWND combo = HwndOf(window, id, ControlClass::ComboBox);
  if (combo == nullptr || !InRange(index, Count(combo, CB_GETCOUNT))) return {};
  return ItemString(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, index);
}

// ---- Track bar ----------------------------------------------------------------

void Win32Ui::SetTrackRange(WindowHandle window, uint16_t id, int min, int max) {
  const HWND bar = HwndOf(window, id, ControlClass::TrackBar);
  if (bar == nullptr) return;
  const int top = std::max(min, max);
  SendMessageW(bar, TBM_SETRANGEMIN, FALSE, min);
  SendMessageW(bar, TBM_SETRANGEMAX, TRUE, top);
  SendMessageW(bar, TBM_SETPAGESIZE, 0, std::max(1, (top - min) / 5));
}

std::pair<int, int> Win32Ui::TrackRange(WindowHandle window, uint16_t id) const {
  const HWND bar = HwndOf(window, id, ControlClass::TrackBar);
  if (bar == nullptr) return {0, 0};
  return {static_cast<int>(SendMessageW(bar, TBM_GETRANGEMIN, 0, 0)),
          static_cast<int>(SendMessageW(bar, TBM_GETRANGEMAX, 0, 0))};
}

void Win32Ui::SetTrackPos(WindowHandle window, uint16_t id, int pos) {
  if (const HWND bar = HwndOf(window, id, ControlClass::TrackBar)) {
    SendMessageW(bar, TBM_SETPOS, TRUE, pos);
  }
}

int Win32Ui::TrackPos(WindowHandle window, uint16_t id) const {
  const HWND bar = HwndOf(window, id, ControlClass::TrackBar);
  return bar ? static_cast<int>(SendMessageW(bar, TBM_GETPOS, 0, 0)) : 0;
}

void Win32Ui::SetTrackTick(WindowHandle window, uint16_t id, int pos) {
  ControlEntry* control = Find(window, id);
  if (control == nullptr || control->cls != ControlClass::TrackBar) return;
  control->ticks.insert(pos);
  SendMessageW(control->hwnd, TBM_SETTIC, 0, pos);
}

std::vector<int> Win32Ui::TrackTicks(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  if (control == nullptr || control->cls != ControlClass::TrackBar) return {};
  return {control->ticks.begin(), control->ticks.end()};
}

// ---- List box -----------------------------------------------------------------

int Win32Ui::AddListLine(WindowHandle window, uint16_t id, const std::string& text) {
  const HWND list = HwndOf(window, id, ControlClass::ListBox);
  if (list == nullptr) return -1;
  const std::wstring wide = Widen(text);
  const LRESULT index = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  return index < 0 ? -1 : static_cast<int>(index);
}

void Win32Ui::DeleteListLine(WindowHandle window, uint16_t id, int index) {
  const HWND list = HwndOf(window, id, ControlClass::ListBox);
  if (list == nullptr || !InRange(index, Count(list, LB_GETCOUNT))) return;
  const int selected = SelectedListLine(window, id);
  SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
  // Deleting the selected line leaves nothing selected.
  if (selected == index) SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

void Win32Ui::ClearList(WindowHandle window, uint16_t id) {
  if (const HWND list = HwndOf(window, id, ControlClass::ListBox)) {
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
  }
}

int Win32Ui::ListCount(WindowHandle window, uint16_t id) const {
  return Count(HwndOf(window, id, ControlClass::ListBox), LB_GETCOUNT);
}

std::string Win32Ui::ListLine(WindowHandle window, uint16_t id, int index) const {
  const HWND list = HwndOf(window, id, ControlClass::ListBox);
  if (list == nullptr || !InRange(index, Count(list, LB_GETCOUNT))) return {};
  return ItemString(list, LB_GETTEXTLEN, LB_GETTEXT, index);
}

void Win32Ui::SelectListLine(WindowHandle window, uint16_t id, int index) {
  const HWND list = HwndOf(window, id, ControlClass::ListBox);
  if (list == nullptr || (index != -1 && !InRange(index, Count(list, LB_GETCOUNT)))) return;
  // Selecting a line also scrolls it into view.
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32Ui::SelectedListLine(WindowHandle window, uint16_t id) const {
  const HWND list = HwndOf(window, id, ControlClass::ListBox);
  if (list == nullptr) return -1;
  const LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
  return index < 0 ? -1 : static_cast<int>(index);
}

// ---- Tab control ----------------------------------------------------------------

void Win32Ui::InsertTab(WindowHandle window, uint16_t id, int index, const std::string& text) {
  const HWND tabs = HwndOf(window, id, ControlClass::TabControl);
  if (tabs == nullptr || index < 0) return;
  std::wstring wide = Widen(text);
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = wide.data();
  const int at = std::min(index, Count(tabs, TCM_GETITEMCOUNT));
  SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&item));
}

int Win32Ui::TabCount(WindowHandle window, uint16_t id) const {
  return Count(HwndOf(window, id, ControlClass::TabControl), TCM_GETITEMCOUNT);
}

std::string Win32Ui::TabText(WindowHandle window, uint16_t id, int index) const {
  const HWND tabs = HwndOf(window, id, ControlClass::TabControl);
  if (tabs == nullptr || !InRange(index, Count(tabs, TCM_GETITEMCOUNT))) return {};
  std::wstring text(256, L'\0');
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text.data();
  item.cchTextMax = static_cast<int>(text.size());
  if (!SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item))) {
    return {};
  }
  // The control may point pszText at its own copy.
  return Narrow(std::wstring(item.pszText != nullptr ? item.pszText : L""));
}

int Win32Ui::TabSelection(WindowHandle window, uint16_t id) const {
  const HWND tabs = HwndOf(window, id, ControlClass::TabControl);
  if (tabs == nullptr) return -1;
  const LRESULT index = SendMessageW(tabs, TCM_GETCURSEL, 0, 0);
  return index < 0 ? -1 : static_cast<int>(index);
}

void Win32Ui::SelectTab(WindowHandle window, uint16_t id, int index) {
  const HWND tabs = HwndOf(window, id, ControlClass::TabControl);
  if (tabs == nullptr || !InRange(index, Count(tabs, TCM_GETITEMCOUNT))) return;
  SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// ---- Progress bar -----------------------------------------------------------------

void Win32Ui::SetProgressRange(WindowHandle window, uint16_t id, int min, int max) {
  if (const HWND bar = HwndOf(window, id, ControlClass::ProgressBar)) {
    // The bar keeps its place inside the new range.
    SendMessageW(bar, PBM_SETRANGE32, static_cast<WPARAM>(min), std::max(min, max));
  }
}

void Win32Ui::SetProgressStep(WindowHandle window, uint16_t id, int step) {
  ControlEntry* control = Find(window, id);
  if (control != nullptr && control->cls == ControlClass::ProgressBar) control->progressStep = step;
}

void Win32Ui::StepProgress(WindowHandle window, uint16_t id) {
  // PBM_STEPIT wraps round at the end; a step here stops there.
  const ControlEntry* control = Find(window, id);
  if (control == nullptr || control->cls != ControlClass::ProgressBar) return;
  const auto [min, max] = ProgressRange(window, id);
  const int next = std::clamp(ProgressPos(window, id) + control->progressStep, min, max);
  SendMessageW(control->hwnd, PBM_SETPOS, static_cast<WPARAM>(next), 0);
}

void Win32Ui::SetProgressPos(WindowHandle window, uint16_t id, int pos) {
  const HWND bar = HwndOf(window, id, ControlClass::ProgressBar);
  if (bar == nullptr) return;
  const auto [min, max] = ProgressRange(window, id);
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(std::clamp(pos, min, max)), 0);
}

int Win32Ui::ProgressPos(WindowHandle window, uint16_t id) const {
  const HWND bar = HwndOf(window, id, ControlClass::ProgressBar);
  return bar ? static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)) : 0;
}

std::pair<int, int> Win32Ui::ProgressRange(WindowHandle window, uint16_t id) const {
  const HWND bar = HwndOf(window, id, ControlClass::ProgressBar);
  if (bar == nullptr) return {0, 0};
  PBRANGE range{};
  SendMessageW(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  return {range.iLow, range.iHigh};
}

}  // namespace vt::platform::win32
