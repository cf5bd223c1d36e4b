#include "platform/ui/headless_ui.h"

#include <algorithm>

namespace vt::platform {

namespace {

// Events a single RunPending may raise; a command that keeps posting itself
// would otherwise never let a test regain control.
constexpr size_t kMaxEventsPerRun = 100000;

void CollectMenuIds(const std::vector<MenuItem>& items, std::map<uint16_t, bool>& checks) {
  for (const MenuItem& item : items) {
    if (!item.items.empty()) {
      CollectMenuIds(item.items, checks);
    } else if (item.id != 0) {
      checks[item.id] = item.checked;
    }
  }
}

}  // namespace

HeadlessUi::HeadlessUi(const TemplateCatalog& catalog) : catalog_(catalog) {}

void HeadlessUi::SetEventHandler(EventHandler handler) { handler_ = std::move(handler); }

WindowHandle HeadlessUi::CreateDialogWindow(uint16_t templateId, WindowHandle parent) {
  const DialogTemplate* tpl = catalog_.FindDialog(templateId);
  if (tpl == nullptr) return kNoWindow;
  if (parent != kNoWindow && FindWindow(parent) == nullptr) return kNoWindow;
  Window window;
  window.templateId = templateId;
  window.parent = parent;
  window.caption = tpl->caption;
  window.visible = (tpl->style & style::kHidden) == 0;
  window.place = tpl->place;
  for (const ControlTemplate& ct : tpl->controls) {
    Control control;
    control.tpl = ct;
    control.text = ct.text;
    control.enabled = (ct.style & style::kDisabled) == 0;
    control.visible = (ct.style & style::kHidden) == 0;
    control.picture = ct.bitmapId;
    control.colours = ct.colours;
    if (ct.cls == ControlClass::TrackBar) control.max = 100;  // Win32 default range 0-100
    if (ct.id != kUnnamedControl) window.byId.emplace(ct.id, window.controls.size());
    window.controls.push_back(std::move(control));
  }
  if (tpl->menuId != 0) {
    if (const MenuTemplate* menu = catalog_.FindMenu(tpl->menuId)) {
      CollectMenuIds(menu->items, window.menuChecks);
    }
  }
  const WindowHandle handle = nextHandle_++;
  windows_.emplace(handle, std::move(window));
  return handle;
}

int HeadlessUi::RunModalDialog(uint16_t templateId, WindowHandle owner, const InitHandler& onInit) {
  const WindowHandle handle = CreateDialogWindow(templateId, kNoWindow);
  if (handle == kNoWindow) return -1;
  windows_[handle].visible = true;
  if (onInit) onInit(handle);
  ShownModal shown;
  shown.templateId = templateId;
  shown.owner = owner;
  shown.caption = GetCaption(handle);
  for (uint16_t id : ControlIds(handle)) shown.texts[id] = GetText(handle, id);
  if (!modalResults_.empty()) {
    shown.result = modalResults_.front();
    modalResults_.pop_front();
  }
  modals_.push_back(std::move(shown));
  DestroyWindow(handle);
  return modals_.back().result;
}

void HeadlessUi::DestroyWindow(WindowHandle window) {
  if (FindWindow(window) == nullptr) return;
  // Children go with their parent, as Win32 destroys them.
  std::vector<WindowHandle> children;
  for (const auto& [handle, w] : windows_) {
    if (w.parent == window) children.push_back(handle);
  }
  for (WindowHandle child : children) DestroyWindow(child);
  windows_.erase(window);
  for (auto it = timers_.begin(); it != timers_.end();) {
    it = it->first.first == window ? timers_.erase(it) : std::next(it);
  }
  std::erase_if(queue_, [window](const UiEvent& e) { return e.window == window; });
}

bool HeadlessUi::IsWindow(WindowHandle window) const { return FindWindow(window) != nullptr; }

uint16_t HeadlessUi::TemplateOf(WindowHandle window) const {
  const Window* w = FindWindow(window);
  return w ? w->templateId : 0;
}

WindowHandle HeadlessUi::ParentOf(WindowHandle window) const {
  const Window* w = FindWindow(window);
  return w ? w->parent : kNoWindow;
}

void HeadlessUi::ShowWindow(WindowHandle window, bool show) {
  if (Window* w = FindWindow(window)) w->visible = show;
}

bool HeadlessUi::IsWindowVisible(WindowHandle window) const {
  const Window* w = FindWindow(window);
  return w != nullptr && w->visible;
}

void HeadlessUi::MoveWindow(WindowHandle window, const Rect& place) {
  if (Window* w = FindWindow(window)) w->place = place;
}

Rect HeadlessUi::GetWindowRect(WindowHandle window) const {
  const Window* w = FindWindow(window);
  return w ? w->place : Rect{};
}

std::string HeadlessUi::GetCaption(WindowHandle window) const {
  const Window* w = FindWindow(window);
  return w ? w->caption : std::string();
}

void HeadlessUi::SetCaption(WindowHandle window, const std::string& caption) {
  if (Window* w = FindWindow(window)) w->caption = caption;
}

std::vector<WindowHandle> HeadlessUi::WindowsOf(uint16_t templateId) const {
  std::vector<WindowHandle> found;
  for (const auto& [handle, w] : windows_) {
    if (w.templateId == templateId) found.push_back(handle);
  }
  return found;
}

// ---- Questions --------------------------------------------------------------

MessageAnswer HeadlessUi::MessageBox(const MessageBoxRequest& request) {
  return script_->Answer(request);
}

std::optional<std::string> HeadlessUi::ChooseFile(const FileDialogRequest& request) {
  return script_->ChooseFile(request);
}

void HeadlessUi::SetScript(UiScript* script) { script_ = script ? script : &ownScript_; }

// ---- Timers, events, the loop -------------------------------------------------

void HeadlessUi::SetTimer(WindowHandle window, uint16_t timerId, uint32_t periodMs) {
  if (FindWindow(window) == nullptr) return;
  timers_[{window, timerId}] = periodMs;
}

bool HeadlessUi::KillTimer(WindowHandle window, uint16_t timerId) {
  return timers_.erase({window, timerId}) != 0;
}

std::optional<uint32_t> HeadlessUi::TimerPeriod(WindowHandle window, uint16_t timerId) const {
  auto it = timers_.find({window, timerId});
  if (it == timers_.end()) return std::nullopt;
  return it->second;
}

bool HeadlessUi::FireTimer(WindowHandle window, uint16_t timerId) {
  if (!TimerPeriod(window, timerId)) return false;
  Raise({window, EventKind::Timer, timerId, 0});
  return true;
}

bool HeadlessUi::WatchDevices(WindowHandle window, DeviceWatch* watch) {
  if (FindWindow(window) == nullptr || watch == nullptr) return false;
  watch_ = watch;
  watchWindow_ = window;
  return true;
}

bool HeadlessUi::CheckDeviceWatch() {
  if (watch_ == nullptr || FindWindow(watchWindow_) == nullptr || !watch_->TakeChanges()) return false;
  Raise({watchWindow_, EventKind::DeviceChange, 0, 0});
  return true;
}

void HeadlessUi::Raise(const UiEvent& event) {
  if (FindWindow(event.window) == nullptr || !handler_) return;
  // A copy, so that a handler may replace itself while it runs.
  EventHandler handler = handler_;
  handler(event);
}

void HeadlessUi::SendCommand(WindowHandle window, uint16_t commandId, uint16_t code) {
  Raise({window, EventKind::Command, commandId, code});
}

void HeadlessUi::PostCommand(WindowHandle window, uint16_t commandId) {
  if (FindWindow(window) == nullptr) return;
  queue_.push_back({window, EventKind::Command, commandId, notify::kMenu});
}

void HeadlessUi::PostClose(WindowHandle window) {
  if (FindWindow(window) == nullptr) return;
  queue_.push_back({window, EventKind::Close, 0, 0});
}

void HeadlessUi::PostQuit(int exitCode) {
  if (!quitCode_) quitCode_ = exitCode;
}

size_t HeadlessUi::RunPending() {
  size_t ran = 0;
  while (!queue_.empty() && !quitCode_ && ran < kMaxEventsPerRun) {
    const UiEvent event = queue_.front();
    queue_.pop_front();
    Raise(event);
    ++ran;
  }
  return ran;
}

int HeadlessUi::RunMessageLoop() {
  RunPending();
  return quitCode_.value_or(-1);
}

void HeadlessUi::PumpPaintMessages() {
  // Nothing to paint and no user input can arrive while the logic runs, so
  // this only counts; queued commands are the program's own and stay.
  ++paintPumps_;
}

// ---- The user -------------------------------------------------------------

HeadlessUi::Control* HeadlessUi::UserTarget(WindowHandle window, uint16_t id) {
  Control* c = Find(window, id);
  if (c == nullptr || !c->enabled || !c->visible) return nullptr;
  return c;
}

bool HeadlessUi::UserClick(WindowHandle window, uint16_t id) {
  Control* c = UserTarget(window, id);
  if (c == nullptr) return false;
  if (c->tpl.cls == ControlClass::CheckBox) {
    c->checked = !c->checked;
  } else if (c->tpl.cls != ControlClass::PushButton) {
    return false;
  }
  Raise({window, EventKind::Command, id, notify::kButtonClicked});
  return true;
}

bool HeadlessUi::UserSelect(WindowHandle window, uint16_t id, int index) {
  Control* c = UserTarget(window, id);
  if (c == nullptr || c->tpl.cls != ControlClass::ComboBox) return false;
  if (index < 0 || index >= static_cast<int>(c->items.size())) return false;
  c->selected = index;
  Raise({window, EventKind::Command, id, notify::kSelChange});
  return true;
}

bool HeadlessUi::UserMoveTrack(WindowHandle window, uint16_t id, int pos, uint16_t code) {
  Control* c = UserTarget(window, id);
  if (c == nullptr || c->tpl.cls != ControlClass::TrackBar) return false;
  SetTrackPos(window, id, pos);
  Raise({window, EventKind::Scroll, id, code});
  return true;
}

bool HeadlessUi::UserEnterText(WindowHandle window, uint16_t id, const std::string& text) {
  Control* c = UserTarget(window, id);
  if (c == nullptr || c->tpl.cls != ControlClass::Edit) return false;
  c->text = text;
  Raise({window, EventKind::Command, id, notify::kEditChange});
  return true;
}

bool HeadlessUi::UserChooseMenu(WindowHandle window, uint16_t itemId) {
  const Window* w = FindWindow(window);
  if (w == nullptr || !w->menuChecks.contains(itemId)) return false;
  Raise({window, EventKind::Command, itemId, notify::kMenu});
  return true;
}

bool HeadlessUi::UserSelectTab(WindowHandle window, uint16_t id, int index) {
  Control* c = UserTarget(window, id);
  if (c == nullptr || c->tpl.cls != ControlClass::TabControl) return false;
  if (index < 0 || index >= static_cast<int>(c->items.size())) return false;
  c->selected = index;
  Raise({window, EventKind::TabChange, id, 0});
  return true;
}

void HeadlessUi::UserClose(WindowHandle window) { Raise({window, EventKind::Close, 0, 0}); }

}  // namespace vt::platform
