// QtUi: building windows, their controls and menus from the templates, and
// the signals through which the controls report what the user does.
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "platform/qt/qt_text.h"
#include "platform/qt/qt_ui.h"
#include "platform/qt/qt_widgets.h"
#include "platform/qt/picture.h"
#include "platform/qt/reading_order.h"

namespace vt::platform::qt {

namespace {

// A top-level modeless window. Closing it from the title bar asks the
// program (a Close event) instead of closing, as a dialog's WM_CLOSE does.
class DialogFrame final : public QWidget {
 public:
  std::function<void()> onClose;

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    if (onClose) onClose();
  }
};

Qt::WindowFlags FlagsFor(uint32_t windowStyle, bool modal) {
  Qt::WindowFlags flags = (modal ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint;
  if (windowStyle & style::kCaption) flags |= Qt::WindowTitleHint;
  if (windowStyle & style::kSysMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (windowStyle & style::kMinimizeBox) flags |= Qt::WindowMinimizeButtonHint;
  return flags;
}

Qt::Alignment TextAlignment(uint32_t controlStyle) {
  Qt::Alignment h = Qt::AlignLeft;
  if (controlStyle & style::kCentre) h = Qt::AlignHCenter;
  if (controlStyle & style::kRight) h = Qt::AlignRight;
  // Framed fields read better with the text in the middle of the frame.
  const Qt::Alignment v =
      (controlStyle & (style::kSunken | style::kBorder)) ? Qt::AlignVCenter : Qt::AlignTop;
  return h | v;
}

QWidget* MakeWidget(const ControlTemplate& ct, QWidget* parent, const TemplateCatalog& catalog,
                    const DialogBaseUnits& units) {
  const QString text = ToQ(ct.text);
  switch (ct.cls) {
    case ControlClass::Static: {
      const bool framed = (ct.style & (style::kSunken | style::kBorder)) != 0;
      auto* label = framed ? new FieldLabel(text, parent) : new QLabel(text, parent);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(TextAlignment(ct.style));
      label->setWordWrap(!framed);
      if (ct.style & style::kSunken) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      } else if (ct.style & style::kBorder) {
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
      }
      return label;
    }
    case ControlClass::Picture: {
      auto* label = new QLabel(parent);
      label->setAlignment(Qt::AlignCenter);
      if (const Bitmap* bitmap = catalog.FindBitmap(ct.bitmapId)) {
        label->setPixmap(PictureFor(*bitmap, units.ToPixels(ct.place)));
      }
      return label;
    }
    case ControlClass::EtchedLine: {
      auto* line = new QFrame(parent);
      line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
      return line;
    }
    case ControlClass::GroupBox: {
      auto* box = new QGroupBox(text, parent);
      // Group boxes only frame their neighbours; clicks go to what is inside.
      box->setAttribute(Qt::WA_TransparentForMouseEvents);
      return box;
    }
    case ControlClass::PushButton: {
      auto* button = new QPushButton(text, parent);
      button->setAutoDefault(false);
      return button;
    }
    case ControlClass::CheckBox:
      return new QCheckBox(text, parent);
    case ControlClass::Edit: {
      auto* edit = new QLineEdit(text, parent);
      edit->setReadOnly((ct.style & style::kReadOnly) != 0);
      edit->setFrame((ct.style & style::kBorder) != 0);
      return edit;
    }
    case ControlClass::ComboBox: {
      auto* combo = new Selector(parent);
      combo->setMaxVisibleItems(
          std::max(4, units.Y(std::max(ct.listHeight, 40)) / std::max(1, units.charHeight) - 1));
      return combo;
    }
    case ControlClass::ListBox: {
      auto* list = new QListWidget(parent);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setUniformItemSizes(true);
      if ((ct.style & style::kBorder) == 0) list->setFrameStyle(QFrame::NoFrame);
      return list;
    }
    case ControlClass::TrackBar: {
      auto* bar = new TrackBar(parent);
      bar->SetAutoTicks((ct.style & style::kAutoTicks) != 0);
      return bar;
    }
    case ControlClass::TabControl:
      return new TabControl(parent);
    case ControlClass::ProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setRange(0, 100);
      bar->setValue(0);
      bar->setTextVisible(false);
      return bar;
    }
  }
  return new QWidget(parent);
}

uint16_t ScrollCode(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: return notify::kTbLineDown;
    case QAbstractSlider::SliderSingleStepSub: return notify::kTbLineUp;
    case QAbstractSlider::SliderPageStepAdd: return notify::kTbPageDown;
    case QAbstractSlider::SliderPageStepSub: return notify::kTbPageUp;
    case QAbstractSlider::SliderToMinimum: return notify::kTbTop;
    case QAbstractSlider::SliderToMaximum: return notify::kTbBottom;
    default: return notify::kTbThumbTrack;
  }
}

}  // namespace

// ---- Building ---------------------------------------------------------------

WindowHandle QtUi::CreateDialogWindow(uint16_t templateId, WindowHandle parent) {
  const DialogTemplate* tpl = catalog_.FindDialog(templateId);
  if (tpl == nullptr) return kNoWindow;
  if (parent != kNoWindow && FindWindow(parent) == nullptr) return kNoWindow;
  const WindowHandle handle = Build(*tpl, parent, false);
  const WindowEntry& entry = windows_.at(handle);
  if (entry.topLevel && entry.visible) ShowLater(handle);
  return handle;
}

WindowHandle QtUi::Build(const DialogTemplate& tpl, WindowHandle parent, bool modal) {
  const WindowHandle handle = nextHandle_++;
  WindowEntry& entry = windows_[handle];
  entry.templateId = tpl.id;
  entry.parent = modal ? kNoWindow : parent;
  entry.style = tpl.style;
  entry.caption = tpl.caption;
  entry.place = tpl.place;
  entry.visible = (tpl.style & style::kHidden) == 0;
  const QSize clientSize(units_.X(tpl.place.width), units_.Y(tpl.place.height));

  if (modal) {
    // The owner is the parent in Qt terms: the dialog stays above it.
    const WindowEntry* owner = FindWindow(parent);
    QWidget* ownerWidget = owner ? owner->frame.data() : nullptr;
    auto* dialog = new QDialog(ownerWidget, FlagsFor(tpl.style, true));
    dialog->setFont(DialogFont());
    dialog->setWindowTitle(ToQ(tpl.caption));
    dialog->setFixedSize(clientSize);
    entry.topLevel = true;
    entry.frame = dialog;
    entry.client = dialog;
  } else if (parent != kNoWindow) {
    WindowEntry& owner = windows_.at(parent);
    auto* page = new QWidget(owner.client);
    const Rect px = units_.ToPixels(tpl.place);
    page->setGeometry(px.x, px.y, px.width, px.height);
    page->setVisible(entry.visible);
    entry.frame = page;
    entry.client = page;
  } else {
    auto* frame = new DialogFrame();
    frame->setWindowFlags(FlagsFor(tpl.style, false));
    frame->setFont(DialogFont());
    frame->setWindowTitle(ToQ(tpl.caption));
    frame->onClose = [this, handle] { RequestClose(handle); };
    // A window made while an operation runs (its progress window) stays
    // above the window the operation runs on.
    if (const WindowEntry* owner = FindWindow(operationWindow_); owner && owner->frame) {
      frame->setParent(owner->frame, FlagsFor(tpl.style, false));
    }
    entry.topLevel = true;
    entry.frame = frame;
    if (tpl.menuId != 0 && catalog_.FindMenu(tpl.menuId) != nullptr) {
      auto* layout = new QVBoxLayout(frame);
      layout->setContentsMargins(0, 0, 0, 0);
      layout->setSpacing(0);
      layout->setSizeConstraint(QLayout::SetFixedSize);
      auto* client = new QWidget(frame);
      client->setFixedSize(clientSize);
      layout->addWidget(client);
      entry.client = client;
      // The busy strip: what the running operation does and how far it is.
      // It keeps its height when idle, so the window never jumps.
      auto* strip = new QWidget(frame);
      auto* row = new QHBoxLayout(strip);
      row->setContentsMargins(6, 2, 6, 2);
      auto* label = new QLabel(strip);
      label->setAccessibleName(QStringLiteral("Operation"));
      auto* bar = new QProgressBar(strip);
      bar->setAccessibleName(QStringLiteral("Operation progress"));
      bar->setFixedWidth(units_.X(90));
      QSizePolicy keep = bar->sizePolicy();
      keep.setRetainSizeWhenHidden(true);
      bar->setSizePolicy(keep);
      bar->setVisible(false);
      row->addWidget(label, 1);
      row->addWidget(bar);
      strip->setFixedWidth(clientSize.width());
      layout->addWidget(strip);
      entry.busyLabel = label;
      entry.busyBar = bar;
      entry.remembersPlace = true;
    } else {
      frame->setFixedSize(clientSize);
      entry.client = frame;
    }
  }
  BuildControls(handle, tpl);
  if (tpl.menuId != 0) BuildMenu(handle, tpl.menuId);
  return handle;
}

void QtUi::BuildControls(WindowHandle handle, const DialogTemplate& tpl) {
  WindowEntry& entry = windows_.at(handle);
  std::vector<QWidget*> groupBoxes;
  for (const ControlTemplate& ct : tpl.controls) {
    QWidget* widget = MakeWidget(ct, entry.client, catalog_, units_);
    const Rect px = units_.ToPixels(ct.place);
    widget->setGeometry(px.x, px.y, px.width, px.height);
    if (ct.style & style::kHidden) widget->setHidden(true);
    if (ct.style & style::kDisabled) widget->setEnabled(false);
    if (ct.cls == ControlClass::GroupBox) groupBoxes.push_back(widget);
    ControlEntry control;
    control.id = ct.id;
    control.cls = ct.cls;
    control.place = ct.place;
    control.widget = widget;
    control.picture = ct.bitmapId;
    control.text = ct.text;
    control.colours = ct.colours;
    if (ct.colours != ControlColours{}) ApplyColours(control);
    entry.controls.push_back(std::move(control));
    if (ct.id != kUnnamedControl) Connect(handle, ct, widget);
  }
  // Frames go beneath the controls they surround, wherever the template
  // lists them.
  for (QWidget* box : groupBoxes) box->lower();
  AttachLabels(*entry.client);
  ArrangeFocus(handle);
}

void QtUi::ArrangeFocus(WindowHandle window) {
  // The whole window's focus chain, its pages' controls included.
  const WindowEntry* root = FindWindow(window);
  while (root != nullptr && !root->topLevel && FindWindow(root->parent) != nullptr) {
    root = FindWindow(root->parent);
  }
  if (root != nullptr && root->client) ArrangeTabOrder(*root->client);
}

void QtUi::Connect(WindowHandle handle, const ControlTemplate& ct, QWidget* widget) {
  const uint16_t id = ct.id;
  auto command = [this, handle, id](uint16_t code) {
    Raise({handle, EventKind::Command, id, code});
  };
  switch (ct.cls) {
    case ControlClass::PushButton: {
      auto* button = static_cast<QPushButton*>(widget);
      QObject::connect(button, &QPushButton::clicked, button, [this, handle, id, command] {
        WindowEntry* entry = FindWindow(handle);
        auto* dialog = entry ? qobject_cast<QDialog*>(entry->frame.data()) : nullptr;
        if (dialog != nullptr && (id == kIdOk || id == kIdCancel)) {
          dialog->done(id);
          return;
        }
        command(notify::kButtonClicked);
      });
      break;
    }
    case ControlClass::CheckBox: {
      auto* box = static_cast<QCheckBox*>(widget);
      QObject::connect(box, &QCheckBox::clicked, box,
                       [command] { command(notify::kButtonClicked); });
      break;
    }
    case ControlClass::ComboBox: {
      auto* combo = static_cast<QComboBox*>(widget);
      QObject::connect(combo, &QComboBox::activated, combo,
                       [command](int) { command(notify::kSelChange); });
      break;
    }
    case ControlClass::Edit: {
      auto* edit = static_cast<QLineEdit*>(widget);
      QObject::connect(edit, &QLineEdit::textEdited, edit,
                       [command](const QString&) { command(notify::kEditChange); });
      break;
    }
    case ControlClass::ListBox: {
      if ((ct.style & style::kNotify) == 0) break;
      auto* list = static_cast<QListWidget*>(widget);
      QObject::connect(list, &QListWidget::currentRowChanged, list,
                       [command](int) { command(notify::kSelChange); });
      break;
    }
    case ControlClass::TrackBar: {
      auto* bar = static_cast<TrackBar*>(widget);
      auto scroll = [this, handle, id](uint16_t code) {
        Raise({handle, EventKind::Scroll, id, code});
      };
      // The action names how the user moved it; the value change that
      // follows carries the new position.
      auto lastCode = std::make_shared<uint16_t>(notify::kTbThumbTrack);
      QObject::connect(bar, &QSlider::actionTriggered, bar,
                       [lastCode](int action) { *lastCode = ScrollCode(action); });
      QObject::connect(bar, &QSlider::valueChanged, bar, [scroll, lastCode](int) {
        scroll(*lastCode);
        *lastCode = notify::kTbThumbTrack;
      });
      QObject::connect(bar, &QSlider::sliderReleased, bar, [scroll] {
        scroll(notify::kTbThumbPosition);
        scroll(notify::kTbEndTrack);
      });
      break;
    }
    case ControlClass::TabControl: {
      auto* tabs = static_cast<TabControl*>(widget);
      QObject::connect(tabs, &QTabWidget::currentChanged, tabs, [this, handle, id](int) {
        Raise({handle, EventKind::TabChange, id, 0});
      });
      break;
    }
    default:
      break;
  }
}

void QtUi::BuildMenu(WindowHandle handle, uint16_t menuId) {
  const MenuTemplate* menu = catalog_.FindMenu(menuId);
  WindowEntry& entry = windows_.at(handle);
  auto* layout = entry.frame ? qobject_cast<QVBoxLayout*>(entry.frame->layout()) : nullptr;
  if (menu == nullptr || layout == nullptr) return;
  auto* bar = new QMenuBar(entry.frame);
  layout->setMenuBar(bar);

  std::function<void(QMenu*, const std::vector<MenuItem>&)> fill =
      [&](QMenu* into, const std::vector<MenuItem>& items) {
        for (const MenuItem& item : items) {
          if (!item.items.empty()) {
            fill(into->addMenu(ToQ(item.text)), item.items);
            continue;
          }
          if (item.id == 0 && item.text.empty()) {
            into->addSeparator();
            continue;
          }
          QAction* action = into->addAction(ToQ(item.text));
          // Only items that carry a mark show a check box; plain commands
          // stay plain.
          action->setCheckable(item.checked);
          action->setChecked(item.checked);
          const uint16_t itemId = item.id;
          entry.menuActions[itemId] = action;
          entry.menuChecks[itemId] = item.checked;
          QObject::connect(action, &QAction::triggered, action, [this, handle, itemId, action] {
            // A menu item's mark changes only when the program says so.
            if (const WindowEntry* w = FindWindow(handle)) {
              const auto it = w->menuChecks.find(itemId);
              const QSignalBlocker block(action);
              action->setChecked(it != w->menuChecks.end() && it->second);
            }
            Raise({handle, EventKind::Command, itemId, notify::kMenu});
          });
        }
      };

  QMenuBar* rightBar = nullptr;
  for (const MenuItem& top : menu->items) {
    QMenuBar* target = bar;
    if (top.rightAligned) {
      // The help menu sits at the right end of the bar.
      if (rightBar == nullptr) {
        rightBar = new QMenuBar(bar);
        bar->setCornerWidget(rightBar, Qt::TopRightCorner);
      }
      target = rightBar;
    }
    if (top.items.empty()) {
      QAction* action = target->addAction(ToQ(top.text));
      const uint16_t itemId = top.id;
      entry.menuActions[itemId] = action;
      entry.menuChecks[itemId] = top.checked;
      QObject::connect(action, &QAction::triggered, action, [this, handle, itemId] {
        Raise({handle, EventKind::Command, itemId, notify::kMenu});
      });
    } else {
      fill(target->addMenu(ToQ(top.text)), top.items);
    }
  }
}


}  // namespace vt::platform::qt
