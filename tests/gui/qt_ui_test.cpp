// The Qt widgets UI against the panel's own window templates: what the
// program changes raises nothing, what the user does raises exactly the
// event the logic expects, and the loop runs timers and posted commands in
// the order the program relies on.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <unistd.h>

#include <vector>

#include "gui_test_main.h"
#include "platform/device_watch.h"
#include "platform/qt/dialog_units.h"
#include "platform/qt/qt_ui.h"
#include "platform/qt/qt_widgets.h"
#include "resources/templates.h"

using vt::platform::ControlClass;
using vt::platform::ControlColours;
using vt::platform::EventKind;
using vt::platform::MessageAnswer;
using vt::platform::MessageBoxRequest;
using vt::platform::MessageButtons;
using vt::platform::Rect;
using vt::platform::UiEvent;
using vt::platform::WindowHandle;
using vt::platform::qt::DialogBaseUnits;
using vt::platform::qt::MulDiv;
using vt::platform::qt::QtUi;
namespace notify = vt::platform::notify;
namespace res = vt::resources;

namespace {

struct Fixture {
  QtUi ui{res::BuiltInTemplates()};
  std::vector<UiEvent> events;
  WindowHandle main = vt::platform::kNoWindow;
  WindowHandle page = vt::platform::kNoWindow;

  Fixture() {
    ui.SetEventHandler([this](const UiEvent& e) { events.push_back(e); });
    ui.SetUnattended(true);
    main = ui.CreateDialogWindow(res::kMainWindow, vt::platform::kNoWindow);
    page = ui.CreateDialogWindow(res::kProfilePage, main);
  }
  template <typename W>
  W* Widget(WindowHandle w, uint16_t id) {
    return qobject_cast<W*>(ui.ControlWidget(w, id));
  }
  size_t Count(EventKind kind, uint16_t id) const {
    size_t n = 0;
    for (const UiEvent& e : events) n += (e.kind == kind && e.id == id) ? 1 : 0;
    return n;
  }
};

// A watch on a pipe: a byte written is a notice; TakeChanges reads them all.
class PipeWatch final : public vt::platform::DeviceWatch {
 public:
  PipeWatch() {
    if (pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
  }
  ~PipeWatch() override {
    for (int fd : fds_) {
      if (fd >= 0) close(fd);
    }
  }
  int ReadableFd() const override { return fds_[0]; }
  bool TakeChanges() override {
    ++takes;
    char buf[64];
    const ssize_t n = read(fds_[0], buf, sizeof buf);
    return n > 0;
  }
  bool Notify() { return write(fds_[1], "x", 1) == 1; }
  int takes = 0;

 private:
  int fds_[2] = {-1, -1};
};

QMouseEvent* Press(QEvent::Type type, QWidget* w) {
  const QPointF at = QRectF(w->rect()).center();
  return new QMouseEvent(type, at, w->mapToGlobal(at), Qt::LeftButton,
                         type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                         Qt::NoModifier);
}

}  // namespace

class QtUiTest : public QObject {
  Q_OBJECT

 private slots:
  void dialogUnitsRoundLikeTheTemplateLoader() {
    QCOMPARE(MulDiv(7, 6, 4), 11);     // 10.5 rounds away from zero
    QCOMPARE(MulDiv(-7, 6, 4), -11);
    QCOMPARE(MulDiv(5, 13, 8), 8);
    QCOMPARE(MulDiv(1 << 30, 6, 4), 1610612736);  // no overflow on the way
    const DialogBaseUnits units{6, 13};
    QCOMPARE(units.ToPixels(Rect{3, 4, 600, 235}), (Rect{5, 7, 900, 382}));
    QCOMPARE(units.ToPixels(Rect{-1, -4, 640, 4}), (Rect{-2, -7, 960, 7}));

    const DialogBaseUnits fromFont = DialogBaseUnits::FromFont(vt::platform::qt::DialogFont());
    QVERIFY(fromFont.charWidth >= 4 && fromFont.charWidth <= 9);
    QVERIFY(fromFont.charHeight >= 10 && fromFont.charHeight <= 18);
  }

  void windowsAreBuiltFromTheirTemplates() {
    Fixture f;
    const vt::platform::DialogTemplate tpl = res::MainWindowTemplate();
    std::vector<uint16_t> named;
    for (const auto& c : tpl.controls) {
      if (c.id != vt::platform::kUnnamedControl) named.push_back(c.id);
    }
    QCOMPARE(f.ui.ControlIds(f.main), named);
    QCOMPARE(f.ui.GetCaption(f.main), tpl.caption);
    QCOMPARE(f.ui.ClassOf(f.main, res::main_window::kTabs), ControlClass::TabControl);
    QVERIFY(!f.ui.IsVisible(f.main, res::main_window::kStatusGroup));
    QVERIFY(f.ui.IsVisible(f.main, res::main_window::kStatus));
    QCOMPARE(f.ui.GetText(f.main, res::main_window::kFirmware), std::string("Firmware version: ?"));
    // Board texts are shown as they come, never read as markup.
    f.ui.SetText(f.main, res::main_window::kBoardMessage, "<img src=x>ready");
    QCOMPARE(f.ui.GetText(f.main, res::main_window::kBoardMessage), std::string("<img src=x>ready"));
    QCOMPARE(f.Widget<QLabel>(f.main, res::main_window::kBoardMessage)->textFormat(), Qt::PlainText);

    // Places are dialog units converted with the dialog font's base units.
    const DialogBaseUnits& u = f.ui.BaseUnits();
    QWidget* status = f.ui.ControlWidget(f.main, res::main_window::kStatus);
    const Rect px = u.ToPixels(tpl.Find(res::main_window::kStatus)->place);
    QCOMPARE(status->geometry(), QRect(px.x, px.y, px.width, px.height));
    QCOMPARE(status->parentWidget()->size(), QSize(u.X(607), u.Y(274)));

    // The menu: every item, the template's check mark, Help at the right.
    QVERIFY(f.ui.MenuAction(f.main, res::menu::kOpen) != nullptr);
    QVERIFY(f.ui.MenuAction(f.main, res::menu::kAbout) != nullptr);
    QVERIFY(f.ui.IsMenuItemChecked(f.main, res::menu::kDegrees));
    QVERIFY(!f.ui.IsMenuItemChecked(f.main, res::menu::kMilliseconds));

    // Shown when the loop next runs, after the program initialised it.
    QVERIFY(f.ui.IsWindowVisible(f.main));
    QVERIFY(!f.ui.Widget(f.main)->isVisible());
    QCoreApplication::processEvents();
    QVERIFY(f.ui.Widget(f.main)->isVisible());
    QVERIFY(!f.ui.IsWindowVisible(f.page));  // pages start hidden
    f.ui.ShowWindow(f.page, true);
    QVERIFY(f.ui.IsWindowVisible(f.page));
    QVERIFY(f.ui.Widget(f.page)->isVisible());
    QCOMPARE(f.ui.ParentOf(f.page), f.main);
  }

  void programChangesRaiseNothingUserActionsRaiseOneCommand() {
    Fixture f;
    QCoreApplication::processEvents();
    f.ui.SetCheck(f.main, res::main_window::kGetMessages, true);
    f.ui.SetText(f.main, res::main_window::kStatus, "OK");
    f.ui.Enable(f.main, res::main_window::kSaveSettings, false);
    QVERIFY(f.events.empty());
    QVERIFY(!f.ui.IsEnabled(f.main, res::main_window::kSaveSettings));
    f.ui.Enable(f.main, res::main_window::kSaveSettings, true);

    auto* box = f.Widget<QCheckBox>(f.main, res::main_window::kGetMessages);
    QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    QCOMPARE(f.events.size(), size_t{1});
    QCOMPARE(f.events[0].kind, EventKind::Command);
    QCOMPARE(f.events[0].id, res::main_window::kGetMessages);
    QCOMPARE(f.events[0].code, notify::kButtonClicked);
    QVERIFY(!f.ui.IsChecked(f.main, res::main_window::kGetMessages));  // the click toggled it

    auto* button = f.Widget<QPushButton>(f.main, res::main_window::kGetSettings);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(f.Count(EventKind::Command, res::main_window::kGetSettings), size_t{1});

    // A disabled control takes no clicks.
    f.ui.Enable(f.main, res::main_window::kGetSettings, false);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(f.Count(EventKind::Command, res::main_window::kGetSettings), size_t{1});
  }

  void selectorsKeepCodesAndSelectOnlyWhenTold() {
    Fixture f;
    const uint16_t id = res::main_window::kDefaultProfile;
    for (int i = 0; i < 3; ++i) {
      QCOMPARE(f.ui.AddSelectorItem(f.main, id, "#" + std::to_string(i + 1), 40 + i), i);
    }
    QCOMPARE(f.ui.SelectorCount(f.main, id), 3);
    QCOMPARE(f.ui.SelectedIndex(f.main, id), -1);  // adding selects nothing
    f.ui.SelectIndex(f.main, id, 1);
    f.ui.SelectIndex(f.main, id, 7);  // out of range: ignored
    QCOMPARE(f.ui.SelectedData(f.main, id), std::optional<int32_t>(41));
    QCOMPARE(f.ui.GetText(f.main, id), std::string("#2"));
    QCOMPARE(f.ui.ItemData(f.main, id, 3), std::nullopt);
    QVERIFY(f.events.empty());

    auto* combo = f.Widget<QComboBox>(f.main, id);
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(f.Count(EventKind::Command, id), size_t{1});
    QCOMPARE(f.events.back().code, notify::kSelChange);
    QCOMPARE(f.ui.SelectedData(f.main, id), std::optional<int32_t>(42));

    f.ui.ClearSelector(f.main, id);
    QCOMPARE(f.ui.SelectorCount(f.main, id), 0);
    QCOMPARE(f.ui.SelectedData(f.main, id), std::nullopt);
    QCOMPARE(f.Count(EventKind::Command, id), size_t{1});
  }

  void trackBarsReportHowTheyWereMoved() {
    Fixture f;
    const uint16_t id = 0x8713;  // tilt position #1
    QCOMPARE(f.ui.TrackRange(f.page, id), (std::pair{0, 100}));  // a track bar's default
    f.ui.SetTrackRange(f.page, id, 0, 255);
    f.ui.SetTrackPos(f.page, id, 300);
    QCOMPARE(f.ui.TrackPos(f.page, id), 255);
    f.ui.SetTrackPos(f.page, id, 150);
    f.ui.SetTrackTick(f.page, id, 150);
    f.ui.SetTrackTick(f.page, id, 150);
    QCOMPARE(f.ui.TrackTicks(f.page, id), std::vector<int>{150});
    QVERIFY(f.events.empty());

    QWidget* bar = f.ui.ControlWidget(f.page, id);
    QTest::keyClick(bar, Qt::Key_Right);
    QCOMPARE(f.events.size(), size_t{1});
    QCOMPARE(f.events[0].kind, EventKind::Scroll);
    QCOMPARE(f.events[0].window, f.page);
    QCOMPARE(f.events[0].code, notify::kTbLineDown);
    QCOMPARE(f.ui.TrackPos(f.page, id), 151);  // already moved when the event comes
    // Keys as on a track bar: Page Down and Down move on, Up moves back.
    QTest::keyClick(bar, Qt::Key_PageDown);
    QCOMPARE(f.events.back().code, notify::kTbPageDown);
    QCOMPARE(f.ui.TrackPos(f.page, id), 202);  // a page is a fifth of 0-255
    QTest::keyClick(bar, Qt::Key_Up);
    QCOMPARE(f.events.back().code, notify::kTbLineUp);
    QCOMPARE(f.ui.TrackPos(f.page, id), 201);
    QTest::keyClick(bar, Qt::Key_Down);
    QCOMPARE(f.ui.TrackPos(f.page, id), 202);
    QTest::keyClick(bar, Qt::Key_Home);
    QCOMPARE(f.events.back().code, notify::kTbTop);
    QCOMPARE(f.ui.TrackPos(f.page, id), 0);
  }

  void tabsAndListsBehaveLikeTheirWin32Counterparts() {
    Fixture f;
    const uint16_t tabs = res::main_window::kTabs;
    f.ui.InsertTab(f.main, tabs, 0, "Set #2");
    f.ui.InsertTab(f.main, tabs, 0, "Set #1");
    f.ui.InsertTab(f.main, tabs, 9, "Debug");  // past the end: appended
    QCOMPARE(f.ui.TabCount(f.main, tabs), 3);
    QCOMPARE(f.ui.TabText(f.main, tabs, 2), std::string("Debug"));
    QCOMPARE(f.ui.TabSelection(f.main, tabs), 1);  // still "Set #2"
    f.ui.SelectTab(f.main, tabs, 0);
    QVERIFY(f.events.empty());
    QCoreApplication::processEvents();
    auto* tabWidget = f.Widget<QTabWidget>(f.main, tabs);
    QTabBar* bar = tabWidget->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    QCOMPARE(f.Count(EventKind::TabChange, tabs), size_t{1});
    QCOMPARE(f.ui.TabSelection(f.main, tabs), 2);

    const WindowHandle debug = f.ui.CreateDialogWindow(res::kDebugPage, f.main);
    const uint16_t list = res::debug_page::kMessages;
    for (const char* line : {"one", "two", "three"}) f.ui.AddListLine(debug, list, line);
    f.ui.SelectListLine(debug, list, 2);
    QCOMPARE(f.ui.SelectedListLine(debug, list), 2);
    f.ui.DeleteListLine(debug, list, 2);
    QCOMPARE(f.ui.SelectedListLine(debug, list), -1);
    QCOMPARE(f.ui.ListCount(debug, list), 2);
    QCOMPARE(f.ui.ListLine(debug, list, 1), std::string("two"));
    QCOMPARE(f.ui.ListLine(debug, list, 2), std::string());
    QCOMPARE(f.Count(EventKind::Command, list), size_t{0});
    f.ui.ShowWindow(debug, true);
    auto* listWidget = f.Widget<QListWidget>(debug, list);
    QTest::mouseClick(listWidget->viewport(), Qt::LeftButton, {},
                      listWidget->visualItemRect(listWidget->item(0)).center());
    QCOMPARE(f.Count(EventKind::Command, list), size_t{1});
    QCOMPARE(f.ui.SelectedListLine(debug, list), 0);
    f.ui.ClearList(debug, list);
    QCOMPARE(f.ui.ListCount(debug, list), 0);
  }

  void menuMarksChangeOnlyWhenTheProgramSaysSo() {
    Fixture f;
    QAction* ms = f.ui.MenuAction(f.main, res::menu::kMilliseconds);
    ms->trigger();
    QCOMPARE(f.Count(EventKind::Command, res::menu::kMilliseconds), size_t{1});
    QCOMPARE(f.events.back().code, notify::kMenu);
    QCOMPARE(f.events.back().window, f.main);
    QVERIFY(!ms->isChecked());
    QVERIFY(!f.ui.IsMenuItemChecked(f.main, res::menu::kMilliseconds));
    f.ui.CheckMenuItem(f.main, res::menu::kMilliseconds, true);
    QVERIFY(ms->isChecked());
    f.ui.MenuAction(f.main, res::menu::kDegrees)->trigger();
    QVERIFY(f.ui.MenuAction(f.main, res::menu::kDegrees)->isChecked());  // unchanged by the click
  }

  void coloursPicturesAndToolTips() {
    Fixture f;
    ControlColours pink;
    pink.background = vt::platform::Rgb{255, 210, 210};
    f.ui.SetColours(f.main, res::main_window::kStatus, pink);
    QWidget* status = f.ui.ControlWidget(f.main, res::main_window::kStatus);
    QVERIFY(status->autoFillBackground());
    QCOMPARE(status->palette().color(QPalette::Window), QColor(255, 210, 210));
    QCOMPARE(f.ui.GetColours(f.main, res::main_window::kStatus), pink);
    f.ui.SetColours(f.main, res::main_window::kStatus, ControlColours{});
    QVERIFY(!status->autoFillBackground());

    ControlColours caption;
    caption.text = vt::platform::Rgb{10, 0, 200};
    caption.systemFaceBackground = true;
    f.ui.SetColours(f.page, res::profile_page::kCameraGroup, caption);
    QWidget* group = f.ui.ControlWidget(f.page, res::profile_page::kCameraGroup);
    QCOMPARE(group->palette().color(QPalette::WindowText), QColor(10, 0, 200));
    QVERIFY(!group->autoFillBackground());  // would paint over what it frames

    const uint16_t led = res::profile_page::kLedPictures[0];
    f.ui.SetPicture(f.page, led, res::kLedRed);
    QCOMPARE(f.ui.PictureOf(f.page, led), res::kLedRed);
    const QPixmap pixmap = f.Widget<QLabel>(f.page, led)->pixmap();
    QVERIFY(!pixmap.isNull());
    QCOMPARE(pixmap.width() % 7, 0);
    QCOMPARE(pixmap.height() % 8, 0);
    const QImage image = pixmap.toImage();
    const vt::platform::Bitmap* red = res::BuiltInTemplates().FindBitmap(res::kLedRed);
    const vt::platform::Rgb body = red->pixels[static_cast<size_t>(5 * 7 + 3)];
    const int scale = pixmap.width() / 7;
    QCOMPARE(QColor(image.pixel(3 * scale, 5 * scale)), QColor(body.r, body.g, body.b));
    f.ui.SetPicture(f.page, led, 999);
    QVERIFY(f.Widget<QLabel>(f.page, led)->pixmap().isNull());

    QVERIFY(!f.ui.AddToolTip(f.main, 4711, "nothing there"));
    QVERIFY(f.ui.AddToolTip(f.main, res::main_window::kSerial, "Serial number of the Velotrack"));
    QCOMPARE(f.ui.ControlWidget(f.main, res::main_window::kSerial)->toolTip(),
             QString("Serial number of the Velotrack"));
    QCOMPARE(f.ui.ToolTip(f.main, res::main_window::kSerial),
             std::optional<std::string>("Serial number of the Velotrack"));
  }

  void postedCommandsRunInOrderAndWaitOutThePaintPump() {
    Fixture f;
    f.ui.SetEventHandler([&](const UiEvent& e) {
      f.events.push_back(e);
      if (e.kind == EventKind::Command && e.id == 2) f.ui.PostQuit(7);
    });
    f.ui.PostCommand(f.main, 1);
    f.ui.PumpPaintMessages();
    QVERIFY(f.events.empty());  // the program's own commands wait for the loop
    f.ui.PostCommand(f.main, 2);
    f.ui.PostCommand(f.main, 3);  // after the quit: never runs
    QCOMPARE(f.ui.RunMessageLoop(), 7);
    QCOMPARE(f.events.size(), size_t{2});
    QCOMPARE(f.events[0].id, uint16_t{1});
    QCOMPARE(f.events[1].id, uint16_t{2});
  }

  void paintPumpDropsUserInput() {
    Fixture f;
    QCoreApplication::processEvents();
    QWidget* button = f.ui.ControlWidget(f.main, res::main_window::kGetSettings);
    QCoreApplication::postEvent(button, Press(QEvent::MouseButtonPress, button));
    QCoreApplication::postEvent(button, Press(QEvent::MouseButtonRelease, button));
    f.ui.PumpPaintMessages();
    QCoreApplication::processEvents();
    QCOMPARE(f.Count(EventKind::Command, res::main_window::kGetSettings), size_t{0});

    // The same clicks outside the pump do reach the button.
    QCoreApplication::postEvent(button, Press(QEvent::MouseButtonPress, button));
    QCoreApplication::postEvent(button, Press(QEvent::MouseButtonRelease, button));
    QCoreApplication::processEvents();
    QCOMPARE(f.Count(EventKind::Command, res::main_window::kGetSettings), size_t{1});
  }

  void timersRunNoFasterThanTheMinimumPeriod() {
    Fixture f;
    f.ui.SetTimer(f.main, 504, 1);
    QCOMPARE(f.ui.TimerPeriod(f.main, 504), std::optional<uint32_t>(1));
    QCOMPARE(f.ui.EffectiveTimerPeriod(f.main, 504), std::optional<uint32_t>(QtUi::kMinTimerPeriodMs));
    f.ui.SetTimer(f.main, 503, 1000);
    QCOMPARE(f.ui.EffectiveTimerPeriod(f.main, 503), std::optional<uint32_t>(1000));
    QTRY_VERIFY_WITH_TIMEOUT(f.Count(EventKind::Timer, 504) > 0, 2000);
    QVERIFY(f.ui.KillTimer(f.main, 504));
    QVERIFY(!f.ui.KillTimer(f.main, 504));
    QCOMPARE(f.ui.TimerPeriod(f.main, 504), std::nullopt);
    f.ui.DestroyWindow(f.main);  // takes its timers along
    QCOMPARE(f.ui.TimerPeriod(f.main, 503), std::nullopt);
    QVERIFY(!f.ui.IsWindow(f.page));
  }

  void deviceNoticesWakeTheLoopOnceAndWaitForARunningOperation() {
    Fixture f;
    PipeWatch watch;
    QVERIFY(!f.ui.WatchDevices(f.main, nullptr));
    QVERIFY(!f.ui.WatchDevices(4711, &watch));
    QVERIFY(f.ui.WatchDevices(f.main, &watch));
    QVERIFY(watch.Notify());
    QTRY_COMPARE_WITH_TIMEOUT(f.Count(EventKind::DeviceChange, 0), size_t{1}, 2000);

    // During an operation the notices wait, and one event stands for all.
    f.ui.BeginOperation(f.main, "Reading profiles...");
    QVERIFY(watch.Notify());
    QTRY_VERIFY_WITH_TIMEOUT(watch.takes >= 2, 2000);
    QVERIFY(watch.Notify());
    QTRY_VERIFY_WITH_TIMEOUT(watch.takes >= 3, 2000);
    QCoreApplication::processEvents();
    QCOMPARE(f.Count(EventKind::DeviceChange, 0), size_t{1});
    f.ui.EndOperation();
    QTRY_COMPARE_WITH_TIMEOUT(f.Count(EventKind::DeviceChange, 0), size_t{2}, 2000);
    QCoreApplication::processEvents();
    QCOMPARE(f.Count(EventKind::DeviceChange, 0), size_t{2});
  }

  void questionsGoToTheScriptWhenUnattended() {
    Fixture f;
    MessageBoxRequest ask;
    ask.text = "Are you sure?";
    ask.caption = "Bootloader Upgrade";
    ask.buttons = MessageButtons::YesNo;
    f.ui.Script().QueueAnswer(MessageAnswer::Yes);
    QCOMPARE(f.ui.MessageBox(ask), MessageAnswer::Yes);
    QCOMPARE(f.ui.MessageBox(ask), MessageAnswer::No);  // nothing queued: the safe answer
    QCOMPARE(f.ui.Script().Unscripted(), size_t{1});
    QCOMPARE(f.ui.Script().MessageBoxes().at(0).request.caption, ask.caption);

    f.ui.Script().QueueFile(std::string("/tmp/a.dat"));
    vt::platform::FileDialogRequest open;
    open.title = "Open a Profile(s) File";
    QCOMPARE(f.ui.ChooseFile(open), std::optional<std::string>("/tmp/a.dat"));
    QCOMPARE(f.ui.ChooseFile(open), std::nullopt);

    std::string seen;
    f.ui.SetModalResponder([&](WindowHandle w) {
      seen = f.ui.GetText(w, res::kAboutText);
      return vt::platform::kIdCancel;
    });
    WindowHandle about = vt::platform::kNoWindow;
    const int result = f.ui.RunModalDialog(res::kAboutBox, f.main, [&](WindowHandle w) {
      about = w;
      f.ui.SetText(w, res::kAboutText, "Velotrack\n\nVersion 2.6.76");
    });
    QCOMPARE(result, vt::platform::kIdCancel);
    QCOMPARE(seen, std::string("Velotrack\n\nVersion 2.6.76"));
    QVERIFY(!f.ui.IsWindow(about));
    QCOMPARE(f.ui.RunModalDialog(4711, f.main, {}), -1);
  }

  void closingAsksTheProgramAndDestroyingFromAHandlerIsSafe() {
    Fixture f;
    QCoreApplication::processEvents();
    QWidget* frame = f.ui.Widget(f.main);
    QVERIFY(!frame->close());  // refused: the program decides
    QCOMPARE(f.Count(EventKind::Close, 0), size_t{1});
    QVERIFY(f.ui.IsWindow(f.main));

    f.ui.SetEventHandler([&](const UiEvent& e) {
      f.events.push_back(e);
      if (e.kind == EventKind::Command && e.id == res::main_window::kQuit) f.ui.DestroyWindow(f.main);
    });
    QTest::mouseClick(f.ui.ControlWidget(f.main, res::main_window::kQuit), Qt::LeftButton);
    QVERIFY(!f.ui.IsWindow(f.main));
    QVERIFY(!f.ui.IsWindow(f.page));
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(f.ui.GetText(f.main, res::main_window::kStatus), std::string());
  }
};

VT_GUI_TEST(QtUiTest);

#include "qt_ui_test.moc"
