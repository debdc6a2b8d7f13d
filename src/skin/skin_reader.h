// Builds the widget tree of a skin file. The files are in Qt Designer's form
// format, of which the skins use a small part: the widget classes below, box,
// grid and form layouts with their items and spacers, combo box and list
// items, and properties whose values are strings, numbers, booleans, enums,
// flag sets, sizes and rectangles. Properties are set by name in the file's
// order, as Designer's own loader sets them, so that the same file gives the
// same window; a file outside that part is refused as damaged.
#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

namespace velor {

// The tree's root, made a child of parent (nullptr for a window of its own);
// nullptr, with the reason and its line, when xml is not such a skin.
QWidget* buildSkin(const QByteArray& xml, QWidget* parent, QString* error);

}  // namespace velor
