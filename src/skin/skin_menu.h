// Menus described by XML files in the skin folder ("traymenu.xml"):
//   <Menu><Item name="configuration" textId="tray_show_text"/><Separator/>...</Menu>
// A chosen item is delivered by its name.
#pragma once

#include <QMenu>

#include <functional>

#include "skin/language_texts.h"

namespace velor {

// Fills menu (cleared first) from the file; false when it cannot be read.
bool fillMenu(QMenu& menu, const QString& path, const LanguageTexts& texts,
              const std::function<void(const QString& itemName)>& onCommand);

}  // namespace velor
