#include "skin/skin_menu.h"

#include <QFile>
#include <QXmlStreamReader>

namespace velor {

bool fillMenu(QMenu& menu, const QString& path, const LanguageTexts& texts,
              const std::function<void(const QString& itemName)>& onCommand) {
    menu.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QXmlStreamReader xml(&file);
    if (!xml.readNextStartElement() || xml.name() != u"Menu") return false;
    while (xml.readNextStartElement()) {
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
    return !xml.hasError();
}

}  // namespace velor
