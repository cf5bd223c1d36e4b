#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

// Every Qt Test class of the suite registers itself here; main runs them
// all in one QApplication.
namespace vt::guitest {

using Factory = std::function<std::unique_ptr<QObject>()>;
std::vector<Factory>& Registry();

template <typename T>
struct Register {
  Register() {
    Registry().push_back([] { return std::make_unique<T>(); });
  }
};

}  // namespace vt::guitest

#define VT_GUI_TEST(Class) static const vt::guitest::Register<Class> registered##Class
