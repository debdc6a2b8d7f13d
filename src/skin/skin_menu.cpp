#include "skin/skin_menu.h"

#include <QXmlStreamReader>

#include "skin/resource_file.h"

namespace velor {

namespace {

// Reads the children of the current <Menu> element into menu; nested <Menu>
// elements become submenus.
void readItems(QXmlStreamReader& xml, QMenu& menu, const LanguageTexts& texts,
               const std::function<void(const QString& itemName)>& onCommand) {
    while (xml.readNextStartElement()) {
        if (xml.name() == u"Menu") {
            const QString textId = xml.attributes().value(QStringLiteral("textId")).toString();
            const QString title = texts.get(textId);
            QMenu* sub = menu.addMenu(title);
            // What a screen reader says as the submenu opens: its group.
            sub->setAccessibleName(title);
            sub->setObjectName(xml.attributes().value(QStringLiteral("name")).toString());
            readItems(xml, *sub, texts, onCommand);
            continue;
        }
        if (xml.name() == u"Item") {
            const QString name = xml.attributes().value(QStringLiteral("name")).toString();
            const QString textId = xml.attributes().value(QStringLiteral("textId")).toString();
            menu.addAction(texts.get(textId.isEmpty() ? name : textId),
                           [onCommand, name] { onCommand(name); })
                ->setObjectName(name);
        } else if (xml.name() == u"Separator") {
            menu.addSeparator();
        }
        xml.skipCurrentElement();
    }
}

}  // namespace

bool fillMenu(QMenu& menu, const QString& path, const LanguageTexts& texts,
              const std::function<void(const QString& itemName)>& onCommand) {
    menu.clear();
    const auto bytes = readResourceFile(path);
    if (!bytes) return false;
    QXmlStreamReader xml(*bytes);
    if (!xml.readNextStartElement() || xml.name() != u"Menu") return false;
    readItems(xml, menu, texts, onCommand);
    return !xml.hasError();
}

}  // namespace velor
