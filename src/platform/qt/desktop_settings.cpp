#include "platform/qt/desktop_settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QWidget>
#include <memory>

namespace vt::platform::qt {

namespace {

// Nothing is remembered by a program that names no organisation (tools and
// benchmarks that run the panel's windows in-process).
std::unique_ptr<QSettings> Open() {
  const QString organisation = QCoreApplication::organizationName();
  if (organisation.isEmpty()) return nullptr;
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organisation,
                                     QCoreApplication::applicationName());
}

QString FolderKey(const QString& kind) {
  QString key = kind;
  // Slashes and backslashes would make groups of the key.
  key.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
  return QStringLiteral("folders/") + (key.isEmpty() ? QStringLiteral("any") : key);
}

QString PlaceKey(uint16_t templateId) {
  return QStringLiteral("windows/%1/geometry").arg(templateId);
}

}  // namespace

QString LastFolder(const QString& kind) {
  const auto settings = Open();
  const QString folder = settings ? settings->value(FolderKey(kind)).toString() : QString();
  return !folder.isEmpty() && QDir(folder).exists() ? folder : QString();
}

void RememberFolder(const QString& kind, const QString& chosenFile) {
  const auto settings = Open();
  if (settings && !chosenFile.isEmpty()) {
    settings->setValue(FolderKey(kind), QFileInfo(chosenFile).absolutePath());
  }
}

bool RestoreWindowPlace(QWidget& window, uint16_t templateId) {
  const auto settings = Open();
  const QByteArray stored =
      settings ? settings->value(PlaceKey(templateId)).toByteArray() : QByteArray();
  // restoreGeometry keeps the window on a screen that is there now.
  return !stored.isEmpty() && window.restoreGeometry(stored);
}

void SaveWindowPlace(const QWidget& window, uint16_t templateId) {
  if (const auto settings = Open()) settings->setValue(PlaceKey(templateId), window.saveGeometry());
}

}  // namespace vt::platform::qt
