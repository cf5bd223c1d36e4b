// The panel as a desktop user meets it: every page walked control by
// control for clipped text, unreadable colours (light and dark palette,
// greyed-out text included), a focus chain that misses controls or jumps
// about, and controls a screen reader cannot name; and what it remembers
// from one run to the next. The suite runs twice: as is, and at twice the
// scale (QT_SCALE_FACTOR=2).
#ifdef VELOTRACK_HAVE_PANEL_APP

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "gui_test_main.h"
#include "platform/qt/qt_widgets.h"
#include "platform/qt/readable_palette.h"
#include "resources/resource_ids.h"
#include "shell/qt/panel_session.h"

namespace res = vt::resources;
using vt::platform::WindowHandle;
using vt::platform::qt::ContrastRatio;
using vt::platform::qt::QtUi;

namespace {

QString Describe(const QWidget* w) {
  QString text;
  if (const auto* label = qobject_cast<const QLabel*>(w)) text = label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(w)) text = button->text();
  if (const auto* box = qobject_cast<const QGroupBox*>(w)) text = box->title();
  if (const auto* combo = qobject_cast<const QComboBox*>(w)) text = combo->currentText();
  return QStringLiteral("%1 \"%2\" at %3,%4")
      .arg(QString::fromLatin1(w->metaObject()->className()), text)
      .arg(w->mapTo(w->window(), QPoint(0, 0)).x())
      .arg(w->mapTo(w->window(), QPoint(0, 0)).y());
}

// The visible widgets of a window, pages and frames included.
std::vector<QWidget*> Shown(QWidget* top) {
  std::vector<QWidget*> shown;
  for (QWidget* w : top->findChildren<QWidget*>()) {
    if (!w->isWindow() && w->isVisibleTo(top)) shown.push_back(w);
  }
  return shown;
}

int TextWidth(const QWidget* w, const QString& text) {
  return w->fontMetrics().size(Qt::TextShowMnemonic, text).width();
}

// What text of this widget does not fit where it is drawn.
void FindClipped(QWidget* w, QStringList& out) {
  auto clipped = [&](const QString& what) { out << Describe(w) + QStringLiteral(": ") + what; };
  if (auto* field = dynamic_cast<vt::platform::qt::FieldLabel*>(w)) {
    // A field too narrow for its text shows its start and has all of it as
    // its tooltip.
    if (field->Cut() && field->toolTip() != field->text()) {
      clipped(QStringLiteral("cut, no tooltip"));
    }
    return;
  }
  if (auto* label = qobject_cast<QLabel*>(w)) {
    if (label->text().isEmpty()) return;
    const int m = label->margin();
    const QRect area = label->contentsRect().adjusted(m, m, -m, -m);
    const QFontMetrics fm = label->fontMetrics();
    const QRect need =
        label->wordWrap()
            ? fm.boundingRect(area, static_cast<int>(label->alignment()) | Qt::TextWordWrap,
                              label->text())
            : fm.boundingRect(label->text());
    if (need.width() > area.width() || need.height() > area.height()) {
      clipped(QStringLiteral("needs %1x%2, has %3x%4")
                  .arg(need.width()).arg(need.height()).arg(area.width()).arg(area.height()));
    }
    return;
  }
  if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const bool box = qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
    const QRect area = w->style()->subElementRect(
        box ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents, &option, w);
    const int need = TextWidth(w, button->text());
    if (need > area.width()) clipped(QStringLiteral("needs %1, has %2").arg(need).arg(area.width()));
    return;
  }
  if (auto* box = qobject_cast<QGroupBox*>(w)) {
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect label =
        w->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
    if (label.left() + TextWidth(w, box->title()) > box->width()) clipped(QStringLiteral("title"));
    return;
  }
  if (auto* selector = qobject_cast<QComboBox*>(w)) {
    auto* combo = static_cast<vt::platform::qt::Selector*>(selector);
    // The field shows the selection, or names it in its tooltip; the list
    // shows every item whole.
    const QString current = combo->currentText();
    if (TextWidth(w, current) > combo->FieldWidth() && combo->toolTip() != current) {
      clipped(QStringLiteral("selection cut, no tooltip"));
    }
    if (combo->count() == 0) return;
    combo->showPopup();
    const int room = combo->view()->viewport()->width();
    for (int i = 0; i < combo->count(); ++i) {
      const int need = combo->view()->sizeHintForIndex(combo->model()->index(i, 0)).width();
      if (need > room) clipped(QStringLiteral("item \"%1\" in the list").arg(combo->itemText(i)));
    }
    combo->hidePopup();
    return;
  }
  if (auto* bar = qobject_cast<QTabBar*>(w)) {
    for (int i = 0; i < bar->count(); ++i) {
      const int hSpace = w->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, w);
      if (bar->tabRect(i).width() < TextWidth(w, bar->tabText(i)) + hSpace / 2) {
        clipped(QStringLiteral("tab \"%1\"").arg(bar->tabText(i)));
      }
    }
  }
}

// The colour behind a widget's text in `group`: its own background where it
// fills it, otherwise that of the nearest widget around it that does.
QColor Behind(const QWidget* w, QPalette::ColorGroup group, QPalette::ColorRole role) {
  if (role != QPalette::Window) return w->palette().color(group, role);
  for (const QWidget* at = w; at != nullptr; at = at->parentWidget()) {
    if (at->autoFillBackground() || at->isWindow()) {
      return at->palette().color(group, at->backgroundRole());
    }
  }
  return w->palette().color(group, role);
}

void FindLowContrast(QWidget* w, const char* paletteName, QStringList& out) {
  QPalette::ColorRole text = QPalette::WindowText;
  QPalette::ColorRole back = QPalette::Window;
  if (auto* label = qobject_cast<QLabel*>(w)) {
    if (label->text().isEmpty()) return;
  } else if (qobject_cast<QPushButton*>(w) || qobject_cast<QComboBox*>(w) ||
             qobject_cast<QTabBar*>(w)) {
    text = QPalette::ButtonText;
    back = QPalette::Button;
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    text = QPalette::Text;
    back = edit->hasFrame() ? QPalette::Base : QPalette::Window;
  } else if (qobject_cast<QAbstractItemView*>(w)) {
    text = QPalette::Text;
    back = QPalette::Base;
  } else if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QGroupBox*>(w)) {
    return;
  }
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Disabled}) {
    const QColor fg = w->palette().color(group, text);
    const QColor bg = Behind(w, group, back);
    const double ratio = ContrastRatio(fg, bg);
    if (ratio < vt::platform::qt::kMinTextContrast) {
      out << QStringLiteral("%1 (%2, %3): %4 on %5 is %6:1")
                 .arg(Describe(w), QString::fromLatin1(paletteName),
                      group == QPalette::Active ? QStringLiteral("active")
                                                : QStringLiteral("disabled"),
                      fg.name(), bg.name())
                 .arg(ratio, 0, 'f', 2);
    }
  }
}

bool Focusable(const QWidget* w, const QWidget* top) {
  return !w->isWindow() && w->isVisibleTo(top) && w->isEnabled() &&
         (w->focusPolicy() & Qt::TabFocus) != 0 && w->focusProxy() == nullptr;
}

// The innermost group box (or page) around a control.
QWidget* Home(QWidget* w, QWidget* top) {
  QWidget* home = w->parentWidget();
  int area = -1;
  const QRect place(w->mapTo(top, QPoint(0, 0)), w->size());
  for (QGroupBox* box : home->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) {
    const QRect r(box->mapTo(top, QPoint(0, 0)), box->size());
    if (r.contains(place.center()) && (area < 0 || r.width() * r.height() < area)) {
      home = box;
      area = r.width() * r.height();
    }
  }
  return home;
}

// Tab from the first control reaches every control once, a group's controls
// one after the other, rows left to right, and never something that lies
// wholly above a control reached before it in the same column.
void FindFocusProblems(QWidget* top, QStringList& out) {
  std::vector<QWidget*> wanted;
  for (QWidget* w : Shown(top)) {
    if (Focusable(w, top)) wanted.push_back(w);
  }
  if (wanted.empty()) return;
  std::vector<QWidget*> chain;
  QWidget* first = wanted.front();
  for (QWidget* at = first;;) {
    if (Focusable(at, top) && top->isAncestorOf(at)) {
      chain.push_back(at);
    }
    at = at->nextInFocusChain();
    if (at == first || chain.size() > 1000) break;
  }
  for (QWidget* w : wanted) {
    if (std::count(chain.begin(), chain.end(), w) != 1) {
      out << Describe(w) + QStringLiteral(": reached %1 times")
                               .arg(std::count(chain.begin(), chain.end(), w));
    }
  }
  // The chain is a ring; it starts at the first control in reading order.
  auto rect = [top](QWidget* w) { return QRect(w->mapTo(top, QPoint(0, 0)), w->size()); };
  auto start = std::min_element(chain.begin(), chain.end(), [&](QWidget* a, QWidget* b) {
    return rect(a).top() != rect(b).top() ? rect(a).top() < rect(b).top()
                                          : rect(a).left() < rect(b).left();
  });
  std::rotate(chain.begin(), start, chain.end());
  std::vector<QWidget*> homesLeft;
  for (size_t i = 0; i < chain.size(); ++i) {
    const QRect a = rect(chain[i]);
    QWidget* home = Home(chain[i], top);
    if (i > 0 && Home(chain[i - 1], top) != home) {
      if (qobject_cast<QGroupBox*>(home) != nullptr &&
          std::count(homesLeft.begin(), homesLeft.end(), home) != 0) {
        out << Describe(chain[i]) + QStringLiteral(": its group was left before");
      }
      homesLeft.push_back(Home(chain[i - 1], top));
    }
    for (size_t j = 0; j < i; ++j) {
      const QRect b = rect(chain[j]);
      const bool above = a.bottom() < b.top() && a.left() <= b.right() && b.left() <= a.right();
      if (above) out << Describe(chain[i]) + QStringLiteral(" comes after ") + Describe(chain[j]);
    }
    if (i > 0 && Home(chain[i - 1], top) == home) {
      const QRect p = rect(chain[i - 1]);
      const bool sameRow = (p.top() <= a.center().y() && a.center().y() <= p.bottom()) ||
                           (a.top() <= p.center().y() && p.center().y() <= a.bottom());
      if (sameRow && a.left() < p.left()) {
        out << Describe(chain[i]) + QStringLiteral(" comes right of ") + Describe(chain[i - 1]);
      }
    }
  }
}

void FindUnnamed(QWidget* top, QStringList& out) {
  for (QWidget* w : Shown(top)) {
    if (!Focusable(w, top) && !qobject_cast<QAbstractButton*>(w)) continue;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (iface == nullptr) {
      out << Describe(w) + QStringLiteral(": no accessible interface");
      continue;
    }
    if (qobject_cast<QTabBar*>(w)) {
      for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* tab = iface->child(i);
        if (tab != nullptr && tab->role() == QAccessible::PageTab &&
            tab->text(QAccessible::Name).isEmpty()) {
          out << Describe(w) + QStringLiteral(": tab %1 has no name").arg(i);
        }
      }
      continue;
    }
    if (iface->text(QAccessible::Name).trimmed().isEmpty()) out << Describe(w);
  }
}

QPalette DarkPalette() {
  QPalette p;
  const QColor window(53, 53, 53), text(230, 230, 230), base(35, 35, 35), grey(110, 110, 110);
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    const bool off = g == QPalette::Disabled;
    p.setColor(g, QPalette::Window, window);
    p.setColor(g, QPalette::Button, window);
    p.setColor(g, QPalette::Base, base);
    p.setColor(g, QPalette::AlternateBase, window);
    p.setColor(g, QPalette::WindowText, off ? grey : text);
    p.setColor(g, QPalette::ButtonText, off ? grey : text);
    p.setColor(g, QPalette::Text, off ? grey : text);
    p.setColor(g, QPalette::Light, window.lighter(150));
    p.setColor(g, QPalette::Mid, window.darker(120));
    p.setColor(g, QPalette::Dark, window.darker(150));
    p.setColor(g, QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(g, QPalette::HighlightedText, Qt::black);
  }
  return p;
}

struct Panel {
  QTemporaryDir dir;
  std::unique_ptr<vt::shell::qt::PanelSession> session;

  Panel() {
    QFile marker(dir.filePath(QStringLiteral("debug.cmd")));  // the Debug page too
    marker.open(QIODevice::WriteOnly);
    vt::shell::PanelStartup startup;
    startup.options.boardAddress = "virtual";
    startup.workDir = dir.path().toStdString();
    startup.unattended = true;
    startup.backupRoot = startup.workDir / "backups";
    session = std::make_unique<vt::shell::qt::PanelSession>(std::move(startup));
  }
  QtUi& Ui() { return session->Ui(); }
  WindowHandle Main() { return session->Window()->Window(); }
  QWidget* Frame() { return Ui().Widget(Main()); }
  // Calls `visit` with the main window showing each tab in turn.
  template <typename F>
  void EachPage(F visit) {
    auto* tabs = qobject_cast<QTabWidget*>(Ui().ControlWidget(Main(), res::main_window::kTabs));
    Frame()->show();
    for (int i = 0; i < tabs->count(); ++i) {
      tabs->setCurrentIndex(i);  // as a click on the tab does
      QCoreApplication::processEvents();
      visit(tabs->tabText(i));
    }
  }
};

// Collects problems and reports them all at once.
void Expect(const QStringList& problems, const QString& what) {
  if (problems.isEmpty()) return;
  QFAIL(qPrintable(what + QStringLiteral(":\n  ") + problems.join(QStringLiteral("\n  "))));
}

}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT

 private slots:
  void everyPageShowsAllItsTextAndWalksInReadingOrder() {
    Panel p;
    QVERIFY(p.session->Start());
    // A board server's long complaint in the narrow message field.
    const std::string complaint =
        "Board server unreachable: unix:/run/user/1000/velotrack/board.sock (connection refused)";
    QStringList clipped, focus, unnamed;
    p.EachPage([&](const QString& tab) {
      p.Ui().SetText(p.Main(), res::main_window::kBoardMessage, complaint);
      for (QWidget* w : Shown(p.Frame())) FindClipped(w, clipped);
      QStringList chain;
      FindFocusProblems(p.Frame(), chain);
      for (const QString& problem : chain) focus << tab + QStringLiteral(": ") + problem;
      FindUnnamed(p.Frame(), unnamed);
    });

    // The About box as well.
    p.Ui().SetModalResponder([&](WindowHandle about) {
      QWidget* box = p.Ui().Widget(about);
      box->show();
      QCoreApplication::processEvents();
      for (QWidget* w : Shown(box)) FindClipped(w, clipped);
      FindFocusProblems(box, focus);
      FindUnnamed(box, unnamed);
      return vt::platform::kIdOk;
    });
    p.Ui().SendCommand(p.Main(), res::menu::kAbout);
    // The progress window of a firmware update, at every step it shows.
    bool caught = false;
    p.Ui().SetPaintPumpObserver([&] {
      for (WindowHandle w : p.Ui().WindowsOf(res::kProgressWindow)) {
        caught = true;
        for (QWidget* c : Shown(p.Ui().Widget(w))) FindClipped(c, clipped);
        FindUnnamed(p.Ui().Widget(w), unnamed);
      }
    });
    for (int i = 0; i < 4; ++i) p.Ui().Script().QueueAnswer(vt::platform::MessageAnswer::Yes);
    p.Ui().SendCommand(p.Main(), res::menu::kUpdateFirmware);
    p.Ui().SetPaintPumpObserver({});
    QVERIFY(caught);
    clipped.removeDuplicates();
    unnamed.removeDuplicates();
    Expect(clipped, QStringLiteral("clipped text"));
    Expect(focus, QStringLiteral("focus chain"));
    Expect(unnamed, QStringLiteral("controls without an accessible name"));
    // A selection the program makes that the field cannot show whole is its
    // tooltip; a short one is not.
    const WindowHandle page = p.session->Window()->Pages()[0];
    bool tried = false;
    for (uint16_t id : p.Ui().ControlIds(page)) {
      auto* combo = dynamic_cast<vt::platform::qt::Selector*>(p.Ui().ControlWidget(page, id));
      if (combo == nullptr || tried) continue;
      int longItem = -1;
      int shortItem = -1;
      for (int i = 0; i < combo->count(); ++i) {
        (TextWidth(combo, combo->itemText(i)) > combo->FieldWidth() ? longItem : shortItem) = i;
      }
      if (longItem < 0 || shortItem < 0) continue;
      tried = true;
      p.Ui().SelectIndex(page, id, longItem);
      QCOMPARE(combo->toolTip(), combo->itemText(longItem));
      p.Ui().SelectIndex(page, id, shortItem);
      QVERIFY(combo->toolTip().isEmpty());
    }
    QVERIFY(tried);
    auto* field = dynamic_cast<vt::platform::qt::FieldLabel*>(
        p.Ui().ControlWidget(p.Main(), res::main_window::kBoardMessage));
    QVERIFY(field != nullptr && field->Cut());
    QCOMPARE(field->toolTip().toStdString(), complaint);
  }

  void everyTextIsReadableInLightAndDarkPalettes() {
    const QPalette desktop = QApplication::palette();
    QStringList low;
    // The style's own light palette, as it comes (the application palette
    // may have been made readable by an earlier window already).
    const QPalette light = QApplication::style()->standardPalette();
    for (const auto& [name, palette] :
         {std::pair{"light", light}, std::pair{"dark", DarkPalette()}}) {
      QApplication::setPalette(palette);
      Panel p;
      QVERIFY(p.session->Start());
      p.EachPage([&](const QString&) {
        for (QWidget* w : Shown(p.Frame())) FindLowContrast(w, name, low);
      });
      // The error colours of the status field too.
      p.session->Window()->ShowStatus(0x8A);
      FindLowContrast(p.Ui().ControlWidget(p.Main(), res::main_window::kStatus), name, low);
    }
    QApplication::setPalette(desktop);
    low.removeDuplicates();
    Expect(low, QStringLiteral("text below 4.5:1"));
  }

  void theNextWindowStartsWhereTheLastOneWasLeft() {
    QTemporaryDir files;
    QDir(files.path()).mkpath(QStringLiteral("profiles"));
    const QString chosen = files.filePath(QStringLiteral("profiles/set.dat"));
    QFile(chosen).open(QIODevice::WriteOnly);
    vt::platform::FileDialogRequest request;
    request.title = "Open";
    request.filters = {{"Profiles", "*.dat"}};
    request.defaultExtension = "*.dat";
    request.mustExist = true;
    QPoint place;
    {
      Panel first;
      QVERIFY(first.session->Start());
      QCoreApplication::processEvents();  // shown
      first.Frame()->move(first.Frame()->pos() + QPoint(37, 23));
      place = first.Frame()->pos();
      first.Ui().SetUnattended(false);
      QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        dialog->selectFile(chosen);
        QMetaObject::invokeMethod(dialog, "accept");
      });
      QCOMPARE(first.Ui().ChooseFile(request), std::optional<std::string>(chosen.toStdString()));
      first.Ui().SetUnattended(true);
      first.Ui().SendCommand(first.Main(), res::main_window::kQuit);
    }
    Panel second;
    QVERIFY(second.session->Start());
    QCoreApplication::processEvents();
    QCOMPARE(second.Frame()->pos(), place);
    QString startedIn;
    second.Ui().SetUnattended(false);
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      startedIn = dialog->directory().absolutePath();
      dialog->reject();
    });
    QVERIFY(!second.Ui().ChooseFile(request));
    QCOMPARE(startedIn, QFileInfo(chosen).absolutePath());
  }
};

VT_GUI_TEST(DesktopTest);

#include "desktop_test.moc"

#endif  // VELOTRACK_HAVE_PANEL_APP
