#include <QApplication>
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
  int failed = 0;
  for (const vt::guitest::Factory& make : vt::guitest::Registry()) {
    std::unique_ptr<QObject> suite = make();
    failed += QTest::qExec(suite.get(), argc, argv);
  }
  return failed == 0 ? 0 : 1;
}
