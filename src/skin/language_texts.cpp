#include "skin/language_texts.h"

#include <QFile>
#include <QXmlStreamReader>

#include "store/language_choice.h"

namespace velor {

LanguageTexts::LanguageTexts(QString skinFolder) : skinFolder_(std::move(skinFolder)) {
    readFile(skinFolder_ + QString::fromLatin1(languageFile(kLanguageEnglish).data()), english_);
}

bool LanguageTexts::readFile(const QString& path, QHash<QString, QString>& into, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = path + ": " + file.errorString();
        return false;
    }
    QXmlStreamReader xml(&file);
    QHash<QString, QString> texts;
    bool isLanguage = false;
    while (xml.readNextStartElement()) {
        if (!isLanguage) {
            if (xml.name() != u"Language") break;
            isLanguage = true;
            continue;
        }
        if (xml.name() == u"Text") {
            const QString id = xml.attributes().value(QStringLiteral("id")).toString();
            const QString value = xml.readElementText();
            if (!id.isEmpty() && !texts.contains(id)) texts.insert(id, value);
        } else {
            xml.skipCurrentElement();
        }
    }
    if (!isLanguage || xml.hasError()) {
        if (error)
            *error =
                path + ": " + (xml.hasError() ? xml.errorString() : QString("not a language file"));
        return false;
    }
    into = std::move(texts);
    return true;
}

bool LanguageTexts::load(int lanId) {
    lanId_ = lanId;
    current_.clear();
    return readFile(skinFolder_ + QString::fromLatin1(languageFile(lanId).data()), current_);
}

QString LanguageTexts::get(const QString& id) const {
    if (const auto it = current_.constFind(id); it != current_.constEnd()) return *it;
    if (const auto it = english_.constFind(id); it != english_.constEnd()) return *it;
    return id;
}

std::u16string LanguageTexts::text(std::string_view id) const {
    const QString t = get(QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size())));
    return {reinterpret_cast<const char16_t*>(t.utf16()), static_cast<std::size_t>(t.size())};
}

}  // namespace velor
