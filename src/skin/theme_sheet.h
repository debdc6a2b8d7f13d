// The theme's style sheet. Qt opens the images its url()s name by itself, and
// would wait for ever on a named pipe put where one should be: each image is
// first read through the resource reader, and a declaration whose image the
// reader refuses is left out, so that Qt is never handed it.
#pragma once

#include <QString>
#include <QStringList>

namespace velor {

// theme.qss in skinFolder (which ends with '/'), "@SKIN@" standing for the
// folder; empty when the file cannot be read. `damaged` gets a line naming
// each file refused and why.
QString readThemeSheet(const QString& skinFolder, QStringList* damaged = nullptr);

}  // namespace velor
