// QtUi: selectors, track bars, list boxes, tabs and progress bars. Changes
// made here never raise events: the widgets' signals are blocked meanwhile.
#include <QComboBox>
#include <QListWidget>
#include <QProgressBar>
#include <QSignalBlocker>
#include <algorithm>

#include "platform/qt/qt_text.h"
#include "platform/qt/qt_ui.h"
#include "platform/qt/qt_widgets.h"

namespace vt::platform::qt {

namespace {

bool InRange(int index, int count) { return index >= 0 && index < count; }

}  // namespace

// ---- Selector -----------------------------------------------------------------

void QtUi::ClearSelector(WindowHandle window, uint16_t id) {
  if (auto* combo = WidgetOf<QComboBox>(window, id, ControlClass::ComboBox)) {
    {
      const QSignalBlocker block(combo);
      combo->clear();
    }
    static_cast<Selector*>(combo)->Refit();
  }
}

int QtUi::AddSelectorItem(WindowHandle window, uint16_t id, const std::string& text,
                          int32_t data) {
  auto* combo = WidgetOf<QComboBox>(window, id, ControlClass::ComboBox);
  if (combo == nullptr) return -1;
  const QSignalBlocker block(combo);
  const int selected = combo->currentIndex();
  combo->addItem(ToQ(text), QVariant(static_cast<int>(data)));
  // Adding an item selects nothing; the first one would otherwise become
  // the selection by itself.
  if (combo->currentIndex() != selected) combo->setCurrentIndex(selected);
  return combo->count() - 1;
}

int QtUi::SelectorCount(WindowHandle window, uint16_t id) const {
  const auto* combo = WidgetOf<QComboBox>(window, id, ControlClass::ComboBox);
  return combo ? combo->count() : 0;
}

void QtUi::SelectIndex(WindowHandle window, uint16_t id, int index) {
  auto* combo = WidgetOf<QComboBox>(window, id, ControlClass::ComboBox);
  if (combo == nullptr || (index != -1 && !InRange(index, combo->count()))) return;
  {
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index);
  }
  static_cast<Selector*>(combo)->Refit();
}

int QtUi::SelectedIndex(WindowHandle window, uint16_t id) const {
  const auto* combo = WidgetOf<QComboBox>(window, id, ControlClass::ComboBox);
  return combo ? combo->currentIndex() : -1;
}

std::optional<int32_t> QtUi::ItemData(WindowHandle window, uint16_t id, int index) const {
  const auto* combo = WidgetOf<QComboBox>(window, id, ControlClass::ComboBox);
  if (combo == nullptr || !InRange(index, combo->count())) return std::nullopt;
  return static_cast<int32_t>(combo->itemData(index).toInt());
}

std::string QtUi::ItemText(WindowHandle window, uint16_t id, int index) const {
  const auto* combo = WidgetOf<QComboBox>(window, id, ControlClass::ComboBox);
  if (combo == nullptr || !InRange(index, combo->count())) return {};
  return FromQ(combo->itemText(index));
}

// ---- Track bar ----------------------------------------------------------------

void QtUi::SetTrackRange(WindowHandle window, uint16_t id, int min, int max) {
  auto* bar = WidgetOf<TrackBar>(window, id, ControlClass::TrackBar);
  if (bar == nullptr) return;
  const QSignalBlocker block(bar);
  bar->setRange(min, std::max(min, max));
  // A track bar's page is a fifth of its range.
  bar->setPageStep(std::max(1, (std::max(min, max) - min) / 5));
}

std::pair<int, int> QtUi::TrackRange(WindowHandle window, uint16_t id) const {
  const auto* bar = WidgetOf<TrackBar>(window, id, ControlClass::TrackBar);
  return bar ? std::pair{bar->minimum(), bar->maximum()} : std::pair{0, 0};
}

void QtUi::SetTrackPos(WindowHandle window, uint16_t id, int pos) {
  if (auto* bar = WidgetOf<TrackBar>(window, id, ControlClass::TrackBar)) {
    const QSignalBlocker block(bar);
    bar->setValue(pos);
  }
}

int QtUi::TrackPos(WindowHandle window, uint16_t id) const {
  const auto* bar = WidgetOf<TrackBar>(window, id, ControlClass::TrackBar);
  return bar ? bar->value() : 0;
}

void QtUi::SetTrackTick(WindowHandle window, uint16_t id, int pos) {
  if (auto* bar = WidgetOf<TrackBar>(window, id, ControlClass::TrackBar)) bar->AddTick(pos);
}

std::vector<int> QtUi::TrackTicks(WindowHandle window, uint16_t id) const {
  const auto* bar = WidgetOf<TrackBar>(window, id, ControlClass::TrackBar);
  if (bar == nullptr) return {};
  return {bar->Ticks().begin(), bar->Ticks().end()};
}

// ---- List box -----------------------------------------------------------------

int QtUi::AddListLine(WindowHandle window, uint16_t id, const std::string& text) {
  auto* list = WidgetOf<QListWidget>(window, id, ControlClass::ListBox);
  if (list == nullptr) return -1;
  const QSignalBlocker block(list);
  list->addItem(ToQ(text));
  return list->count() - 1;
}

void QtUi::DeleteListLine(WindowHandle window, uint16_t id, int index) {
  auto* list = WidgetOf<QListWidget>(window, id, ControlClass::ListBox);
  if (list == nullptr || !InRange(index, list->count())) return;
  const int selected = SelectedListLine(window, id);
  const QSignalBlocker block(list);
  delete list->takeItem(index);
  // Deleting the selected line leaves nothing selected.
  if (selected == index) {
    list->clearSelection();
    list->setCurrentRow(-1);
  }
}

void QtUi::ClearList(WindowHandle window, uint16_t id) {
  if (auto* list = WidgetOf<QListWidget>(window, id, ControlClass::ListBox)) {
    const QSignalBlocker block(list);
    list->clear();
  }
}

int QtUi::ListCount(WindowHandle window, uint16_t id) const {
  const auto* list = WidgetOf<QListWidget>(window, id, ControlClass::ListBox);
  return list ? list->count() : 0;
}

std::string QtUi::ListLine(WindowHandle window, uint16_t id, int index) const {
  const auto* list = WidgetOf<QListWidget>(window, id, ControlClass::ListBox);
  if (list == nullptr || !InRange(index, list->count())) return {};
  return FromQ(list->item(index)->text());
}

void QtUi::SelectListLine(WindowHandle window, uint16_t id, int index) {
  auto* list = WidgetOf<QListWidget>(window, id, ControlClass::ListBox);
  if (list == nullptr || (index != -1 && !InRange(index, list->count()))) return;
  const QSignalBlocker block(list);
  if (index == -1) {
    list->clearSelection();
    list->setCurrentRow(-1);
    return;
  }
  list->setCurrentRow(index);
  list->scrollToItem(list->item(index));
}

int QtUi::SelectedListLine(WindowHandle window, uint16_t id) const {
  const auto* list = WidgetOf<QListWidget>(window, id, ControlClass::ListBox);
  if (list == nullptr) return -1;
  const QList<QListWidgetItem*> selected = list->selectedItems();
  return selected.isEmpty() ? -1 : list->row(selected.front());
}

// ---- Tab control ----------------------------------------------------------------

void QtUi::InsertTab(WindowHandle window, uint16_t id, int index, const std::string& text) {
  auto* tabs = WidgetOf<TabControl>(window, id, ControlClass::TabControl);
  if (tabs == nullptr || index < 0) return;
  const QSignalBlocker block(tabs);
  tabs->InsertTab(std::min(index, tabs->count()), ToQ(text));
}

int QtUi::TabCount(WindowHandle window, uint16_t id) const {
  const auto* tabs = WidgetOf<TabControl>(window, id, ControlClass::TabControl);
  return tabs ? tabs->count() : 0;
}

std::string QtUi::TabText(WindowHandle window, uint16_t id, int index) const {
  const auto* tabs = WidgetOf<TabControl>(window, id, ControlClass::TabControl);
  if (tabs == nullptr || !InRange(index, tabs->count())) return {};
  return FromQ(tabs->tabText(index));
}

int QtUi::TabSelection(WindowHandle window, uint16_t id) const {
  const auto* tabs = WidgetOf<TabControl>(window, id, ControlClass::TabControl);
  return tabs ? tabs->currentIndex() : -1;
}

void QtUi::SelectTab(WindowHandle window, uint16_t id, int index) {
  auto* tabs = WidgetOf<TabControl>(window, id, ControlClass::TabControl);
  if (tabs == nullptr || !InRange(index, tabs->count())) return;
  const QSignalBlocker block(tabs);
  tabs->setCurrentIndex(index);
}

// ---- Progress bar -----------------------------------------------------------------

void QtUi::SetProgressRange(WindowHandle window, uint16_t id, int min, int max) {
  if (auto* bar = WidgetOf<QProgressBar>(window, id, ControlClass::ProgressBar)) {
    bar->setRange(min, std::max(min, max));
    // Qt resets the bar when the range changes; a progress bar keeps its
    // place inside the new range.
    if (bar->value() < bar->minimum()) bar->setValue(bar->minimum());
  }
}

void QtUi::SetProgressStep(WindowHandle window, uint16_t id, int step) {
  ControlEntry* control = Find(window, id);
  if (control != nullptr && control->cls == ControlClass::ProgressBar) control->progressStep = step;
}

void QtUi::StepProgress(WindowHandle window, uint16_t id) {
  ControlEntry* control = Find(window, id);
  if (control == nullptr || control->cls != ControlClass::ProgressBar) return;
  auto* bar = static_cast<QProgressBar*>(control->widget.data());
  const int from = std::max(bar->value(), bar->minimum());
  bar->setValue(std::clamp(from + control->progressStep, bar->minimum(), bar->maximum()));
}

void QtUi::SetProgressPos(WindowHandle window, uint16_t id, int pos) {
  if (auto* bar = WidgetOf<QProgressBar>(window, id, ControlClass::ProgressBar)) {
    bar->setValue(std::clamp(pos, bar->minimum(), bar->maximum()));
  }
}

int QtUi::ProgressPos(WindowHandle window, uint16_t id) const {
  const auto* bar = WidgetOf<QProgressBar>(window, id, ControlClass::ProgressBar);
  return bar ? std::max(bar->value(), bar->minimum()) : 0;
}

std::pair<int, int> QtUi::ProgressRange(WindowHandle window, uint16_t id) const {
  const auto* bar = WidgetOf<QProgressBar>(window, id, ControlClass::ProgressBar);
  return bar ? std::pair{bar->minimum(), bar->maximum()} : std::pair{0, 0};
}

}  // namespace vt::platform::qt
