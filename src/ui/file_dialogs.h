// The file dialogs of profile and macro files: one filter entry, a default
// extension when saving (which asks before overwriting).
#pragma once

#include <QString>
#include <QWidget>

namespace velor {

// "" when the user cancelled. extension without the dot, e.g. "pro".
QString chooseFile(QWidget* owner, bool save, const QString& kindText, const QString& extension,
                   const QString& startFolder = QString());

}  // namespace velor
