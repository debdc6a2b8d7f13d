// A PNG file decoded by libpng itself. Qt's image reader first loads every
// image-format plugin to ask which one reads the file, which the program icon
// would pay for before the first paint.
#pragma once

#include <QImage>
#include <QString>

namespace velor {

// The image, 32-bit with alpha; a null image when the file is missing or not
// a PNG that can be read whole.
QImage readPngFile(const QString& path);

}  // namespace velor
