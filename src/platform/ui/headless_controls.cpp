// HeadlessUi: the state of individual controls.
#include <algorithm>

#include "platform/ui/headless_ui.h"

namespace vt::platform {

namespace {

bool InRange(int index, size_t size) { return index >= 0 && index < static_cast<int>(size); }

}  // namespace

HeadlessUi::Window* HeadlessUi::FindWindow(WindowHandle window) {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

const HeadlessUi::Window* HeadlessUi::FindWindow(WindowHandle window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

HeadlessUi::Control* HeadlessUi::Find(WindowHandle window, uint16_t id) {
  return const_cast<Control*>(std::as_const(*this).Find(window, id));
}

const HeadlessUi::Control* HeadlessUi::Find(WindowHandle window, uint16_t id) const {
  const Window* w = FindWindow(window);
  if (w == nullptr || id == kUnnamedControl) return nullptr;
  const auto at = w->byId.find(id);
  return at == w->byId.end() ? nullptr : &w->controls[at->second];
}

HeadlessUi::Control* HeadlessUi::FindOf(WindowHandle window, uint16_t id, ControlClass cls) {
  Control* c = Find(window, id);
  return c != nullptr && c->tpl.cls == cls ? c : nullptr;
}

const HeadlessUi::Control* HeadlessUi::FindOf(WindowHandle window, uint16_t id,
                                              ControlClass cls) const {
  const Control* c = Find(window, id);
  return c != nullptr && c->tpl.cls == cls ? c : nullptr;
}

// ---- Any control ----------------------------------------------------------

bool HeadlessUi::HasControl(WindowHandle window, uint16_t id) const {
  return Find(window, id) != nullptr;
}

std::vector<uint16_t> HeadlessUi::ControlIds(WindowHandle window) const {
  std::vector<uint16_t> ids;
  if (const Window* w = FindWindow(window)) {
    for (const Control& c : w->controls) {
      if (c.tpl.id != kUnnamedControl) ids.push_back(c.tpl.id);
    }
  }
  return ids;
}

std::optional<ControlClass> HeadlessUi::ClassOf(WindowHandle window, uint16_t id) const {
  const Control* c = Find(window, id);
  if (c == nullptr) return std::nullopt;
  return c->tpl.cls;
}

Rect HeadlessUi::GetControlRect(WindowHandle window, uint16_t id) const {
  const Control* c = Find(window, id);
  return c ? c->tpl.place : Rect{};
}

std::string HeadlessUi::GetText(WindowHandle window, uint16_t id) const {
  const Control* c = Find(window, id);
  if (c == nullptr) return {};
  // A drop-down list's text is its selected item.
  if (c->tpl.cls == ControlClass::ComboBox) return ItemText(window, id, c->selected);
  return c->text;
}

void HeadlessUi::SetText(WindowHandle window, uint16_t id, const std::string& text) {
  if (Control* c = Find(window, id)) c->text = text;
}

bool HeadlessUi::IsChecked(WindowHandle window, uint16_t id) const {
  const Control* c = FindOf(window, id, ControlClass::CheckBox);
  return c != nullptr && c->checked;
}

void HeadlessUi::SetCheck(WindowHandle window, uint16_t id, bool checked) {
  if (Control* c = FindOf(window, id, ControlClass::CheckBox)) c->checked = checked;
}

bool HeadlessUi::IsEnabled(WindowHandle window, uint16_t id) const {
  const Control* c = Find(window, id);
  return c != nullptr && c->enabled;
}

void HeadlessUi::Enable(WindowHandle window, uint16_t id, bool enable) {
  if (Control* c = Find(window, id)) c->enabled = enable;
}

bool HeadlessUi::IsVisible(WindowHandle window, uint16_t id) const {
  const Control* c = Find(window, id);
  return c != nullptr && c->visible;
}

void HeadlessUi::Show(WindowHandle window, uint16_t id, bool show) {
  if (Control* c = Find(window, id)) c->visible = show;
}

ControlColours HeadlessUi::GetColours(WindowHandle window, uint16_t id) const {
  const Control* c = Find(window, id);
  return c ? c->colours : ControlColours{};
}

void HeadlessUi::SetColours(WindowHandle window, uint16_t id, const ControlColours& colours) {
  if (Control* c = Find(window, id)) c->colours = colours;
}

// ---- Selector ---------------------------------------------------------------

void HeadlessUi::ClearSelector(WindowHandle window, uint16_t id) {
  if (Control* c = FindOf(window, id, ControlClass::ComboBox)) {
    c->items.clear();
    c->selected = -1;
  }
}

int HeadlessUi::AddSelectorItem(WindowHandle window, uint16_t id, const std::string& text,
                                int32_t data) {
  Control* c = FindOf(window, id, ControlClass::ComboBox);
  if (c == nullptr) return -1;
  c->items.emplace_back(text, data);
  return static_cast<int>(c->items.size()) - 1;
}

int HeadlessUi::SelectorCount(WindowHandle window, uint16_t id) const {
  const Control* c = FindOf(window, id, ControlClass::ComboBox);
  return c ? static_cast<int>(c->items.size()) : 0;
}

void HeadlessUi::SelectIndex(WindowHandle window, uint16_t id, int index) {
  Control* c = FindOf(window, id, ControlClass::ComboBox);
  if (c == nullptr) return;
  if (index == -1 || InRange(index, c->items.size())) c->selected = index;
}

int HeadlessUi::SelectedIndex(WindowHandle window, uint16_t id) const {
  const Control* c = FindOf(window, id, ControlClass::ComboBox);
  return c ? c->selected : -1;
}

std::optional<int32_t> HeadlessUi::ItemData(WindowHandle window, uint16_t id, int index) const {
  const Control* c = FindOf(window, id, ControlClass::ComboBox);
  if (c == nullptr || !InRange(index, c->items.size())) return std::nullopt;
  return c->items[static_cast<size_t>(index)].second;
}

std::string HeadlessUi::ItemText(WindowHandle window, uint16_t id, int index) const {
  const Control* c = FindOf(window, id, ControlClass::ComboBox);
  if (c == nullptr || !InRange(index, c->items.size())) return {};
  return c->items[static_cast<size_t>(index)].first;
}

// ---- Track bar ------------------------------------------------------------

void HeadlessUi::SetTrackRange(WindowHandle window, uint16_t id, int min, int max) {
  Control* c = FindOf(window, id, ControlClass::TrackBar);
  if (c == nullptr) return;
  c->min = min;
  c->max = std::max(min, max);
  c->pos = std::clamp(c->pos, c->min, c->max);
}

std::pair<int, int> HeadlessUi::TrackRange(WindowHandle window, uint16_t id) const {
  const Control* c = FindOf(window, id, ControlClass::TrackBar);
  return c ? std::pair{c->min, c->max} : std::pair{0, 0};
}

void HeadlessUi::SetTrackPos(WindowHandle window, uint16_t id, int pos) {
  if (Control* c = FindOf(window, id, ControlClass::TrackBar)) {
    c->pos = std::clamp(pos, c->min, c->max);
  }
}

int HeadlessUi::TrackPos(WindowHandle window, uint16_t id) const {
  const Control* c = FindOf(window, id, ControlClass::TrackBar);
  return c ? c->pos : 0;
}

void HeadlessUi::SetTrackTick(WindowHandle window, uint16_t id, int pos) {
  Control* c = FindOf(window, id, ControlClass::TrackBar);
  if (c == nullptr || std::find(c->ticks.begin(), c->ticks.end(), pos) != c->ticks.end()) return;
  c->ticks.push_back(pos);
}

std::vector<int> HeadlessUi::TrackTicks(WindowHandle window, uint16_t id) const {
  const Control* c = FindOf(window, id, ControlClass::TrackBar);
  return c ? c->ticks : std::vector<int>{};
}

// ---- List box -------------------------------------------------------------

int HeadlessUi::AddListLine(WindowHandle window, uint16_t id, const std::string& text) {
  Control* c = FindOf(window, id, ControlClass::ListBox);
  if (c == nullptr) return -1;
  c->lines.push_back(text);
  return static_cast<int>(c->lines.size()) - 1;
}

void HeadlessUi::DeleteListLine(WindowHandle window, uint16_t id, int index) {
  Control* c = FindOf(window, id, ControlClass::ListBox);
  if (c == nullptr || !InRange(index, c->lines.size())) return;
  c->lines.erase(c->lines.begin() + index);
  if (c->selected == index) {
    c->selected = -1;
  } else if (c->selected > index) {
    --c->selected;
  }
}

void HeadlessUi::ClearList(WindowHandle window, uint16_t id) {
  if (Control* c = FindOf(window, id, ControlClass::ListBox)) {
    c->lines.clear();
    c->selected = -1;
  }
}

int HeadlessUi::ListCount(WindowHandle window, uint16_t id) const {
  const Control* c = FindOf(window, id, ControlClass::ListBox);
  return c ? static_cast<int>(c->lines.size()) : 0;
}

std::string HeadlessUi::ListLine(WindowHandle window, uint16_t id, int index) const {
  const Control* c = FindOf(window, id, ControlClass::ListBox);
  if (c == nullptr || !InRange(index, c->lines.size())) return {};
  return c->lines[static_cast<size_t>(index)];
}

void HeadlessUi::SelectListLine(WindowHandle window, uint16_t id, int index) {
  Control* c = FindOf(window, id, ControlClass::ListBox);
  if (c == nullptr) return;
  if (index == -1 || InRange(index, c->lines.size())) c->selected = index;
}

int HeadlessUi::SelectedListLine(WindowHandle window, uint16_t id) const {
  const Control* c = FindOf(window, id, ControlClass::ListBox);
  return c ? c->selected : -1;
}

// ---- Tab control ----------------------------------------------------------

void HeadlessUi::InsertTab(WindowHandle window, uint16_t id, int index, const std::string& text) {
  Control* c = FindOf(window, id, ControlClass::TabControl);
  if (c == nullptr || index < 0) return;
  const size_t at = std::min(static_cast<size_t>(index), c->items.size());
  c->items.insert(c->items.begin() + static_cast<std::ptrdiff_t>(at), {text, 0});
  // The first tab becomes the selection; a tab inserted before the selected
  // one keeps the same tab selected.
  if (c->selected < 0) {
    c->selected = 0;
  } else if (static_cast<int>(at) <= c->selected) {
    ++c->selected;
  }
}

int HeadlessUi::TabCount(WindowHandle window, uint16_t id) const {
  const Control* c = FindOf(window, id, ControlClass::TabControl);
  return c ? static_cast<int>(c->items.size()) : 0;
}

std::string HeadlessUi::TabText(WindowHandle window, uint16_t id, int index) const {
  const Control* c = FindOf(window, id, ControlClass::TabControl);
  if (c == nullptr || !InRange(index, c->items.size())) return {};
  return c->items[static_cast<size_t>(index)].first;
}

int HeadlessUi::TabSelection(WindowHandle window, uint16_t id) const {
  const Control* c = FindOf(window, id, ControlClass::TabControl);
  return c ? c->selected : -1;
}

void HeadlessUi::SelectTab(WindowHandle window, uint16_t id, int index) {
  Control* c = FindOf(window, id, ControlClass::TabControl);
  if (c != nullptr && InRange(index, c->items.size())) c->selected = index;
}

// ---- Progress bar ---------------------------------------------------------

void HeadlessUi::SetProgressRange(WindowHandle window, uint16_t id, int min, int max) {
  Control* c = FindOf(window, id, ControlClass::ProgressBar);
  if (c == nullptr) return;
  c->min = min;
  c->max = std::max(min, max);
  c->pos = std::clamp(c->pos, c->min, c->max);
}

void HeadlessUi::SetProgressStep(WindowHandle window, uint16_t id, int step) {
  if (Control* c = FindOf(window, id, ControlClass::ProgressBar)) c->step = step;
}

void HeadlessUi::StepProgress(WindowHandle window, uint16_t id) {
  if (Control* c = FindOf(window, id, ControlClass::ProgressBar)) {
    c->pos = std::clamp(c->pos + c->step, c->min, c->max);
  }
}

void HeadlessUi::SetProgressPos(WindowHandle window, uint16_t id, int pos) {
  if (Control* c = FindOf(window, id, ControlClass::ProgressBar)) {
    c->pos = std::clamp(pos, c->min, c->max);
  }
}

int HeadlessUi::ProgressPos(WindowHandle window, uint16_t id) const {
  const Control* c = FindOf(window, id, ControlClass::ProgressBar);
  return c ? c->pos : 0;
}

std::pair<int, int> HeadlessUi::ProgressRange(WindowHandle window, uint16_t id) const {
  const Control* c = FindOf(window, id, ControlClass::ProgressBar);
  return c ? std::pair{c->min, c->max} : std::pair{0, 0};
}

// ---- Pictures, tooltips, menu ---------------------------------------------

void HeadlessUi::SetPicture(WindowHandle window, uint16_t id, uint16_t bitmapId) {
  Control* c = FindOf(window, id, ControlClass::Picture);
  if (c != nullptr && catalog_.FindBitmap(bitmapId) != nullptr) c->picture = bitmapId;
}

uint16_t HeadlessUi::PictureOf(WindowHandle window, uint16_t id) const {
  const Control* c = FindOf(window, id, ControlClass::Picture);
  return c ? c->picture : 0;
}

bool HeadlessUi::AddToolTip(WindowHandle window, uint16_t id, const std::string& text) {
  Control* c = Find(window, id);
  if (c == nullptr) return false;
  c->toolTip = text;
  return true;
}

std::optional<std::string> HeadlessUi::ToolTip(WindowHandle window, uint16_t id) const {
  const Control* c = Find(window, id);
  return c ? c->toolTip : std::nullopt;
}

void HeadlessUi::CheckMenuItem(WindowHandle window, uint16_t itemId, bool checked) {
  Window* w = FindWindow(window);
  if (w == nullptr) return;
  auto it = w->menuChecks.find(itemId);
  if (it != w->menuChecks.end()) it->second = checked;
}

bool HeadlessUi::IsMenuItemChecked(WindowHandle window, uint16_t itemId) const {
  const Window* w = FindWindow(window);
  if (w == nullptr) return false;
  auto it = w->menuChecks.find(itemId);
  return it != w->menuChecks.end() && it->second;
}

}  // namespace vt::platform
