#pragma once

#include <QString>
#include <cstdint>

class QWidget;

namespace vt::platform::qt {

// What the panel remembers between runs, in the user's settings under the
// application's organisation and name (QSettings). Only a program that sets
// an organisation name remembers anything; tests set their own and point
// QSettings at a scratch folder with QSettings::setPath.

// The folder the last file of this kind was chosen in; empty when none was
// or the folder is gone.
QString LastFolder(const QString& kind);
// Remembers the folder of `chosenFile` for files of this kind.
void RememberFolder(const QString& kind, const QString& chosenFile);

// Puts a top-level window where it was when window `templateId` last
// closed; false (and nothing changed) when nothing was stored.
bool RestoreWindowPlace(QWidget& window, uint16_t templateId);
void SaveWindowPlace(const QWidget& window, uint16_t templateId);

}  // namespace vt::platform::qt
