#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "gui_test_main.h"
#include "platform/qt/dialog_units.h"

namespace vt::guitest {

std::vector<Factory>& Registry() {
  static std::vector<Factory> registry;
  return registry;
}

}  // namespace vt::guitest

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setFont(vt::platform::qt::DialogFont());
  // What the panel remembers (window places, folders) goes to a scratch
  // folder, never into the user's own settings.
  QTemporaryDir settings;
  QCoreApplication::setOrganizationName(QStringLiteral("velotrack-tests"));
  for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    QSettings::setPath(format, QSettings::UserScope, settings.path());
    QSettings::setPath(format, QSettings::SystemScope, settings.path());
  }
  // VT_GUI_SUITE=Name runs that suite alone (a second run under other
  // display settings).
  const QByteArray only = qgetenv("VT_GUI_SUITE");
  int failed = 0;
  for (const vt::guitest::Factory& make : vt::guitest::Registry()) {
    std::unique_ptr<QObject> suite = make();
    if (!only.isEmpty() && only != suite->metaObject()->className()) continue;
    failed += QTest::qExec(suite.get(), argc, argv);
  }
  return failed == 0 ? 0 : 1;
}
