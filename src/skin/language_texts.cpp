#include "skin/language_texts.h"

#include <QXmlStreamReader>

#include <utility>

#include "skin/resource_file.h"
#include "store/language_choice.h"

namespace velor {

namespace {

// The texts of one language file into `texts`, as far as it can be read; the
// reason it is not a sound language file, or an empty string.
QString parseLanguage(const QString& path, QHash<QString, QString>& texts) {
    QString error;
    const auto bytes = readResourceFile(path, &error);
    if (!bytes) return error;
    QXmlStreamReader xml(*bytes);
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
            // A text cut off by the damage is not taken.
            if (xml.hasError()) break;
            if (!id.isEmpty() && !texts.contains(id)) texts.insert(id, value);
        } else {
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError()) return xml.errorString();
    if (!isLanguage) return QStringLiteral("not a language file");
    return {};
}

QString pathOf(const QString& skinFolder, int lanId) {
    return skinFolder + QString::fromLatin1(languageFile(lanId).data());
}

}  // namespace

LanguageTexts::LanguageTexts(QString skinFolder) : skinFolder_(std::move(skinFolder)) {
    const QString path = pathOf(skinFolder_, kLanguageEnglish);
    // A damaged English file still gives the texts before the damage, which
    // beats showing ids.
    if (const QString error = parseLanguage(path, english_); !error.isEmpty())
        englishDamage_.push_back({path, error});
}

bool LanguageTexts::readFile(const QString& path, QHash<QString, QString>& into, QString* error) {
    QHash<QString, QString> texts;
    const QString problem = parseLanguage(path, texts);
    if (!problem.isEmpty()) {
        if (error) *error = path + ": " + problem;
        return false;
    }
    into = std::move(texts);
    return true;
}

bool LanguageTexts::load(int lanId) {
    lanId_ = lanId;
    current_.clear();
    currentDamage_.clear();
    const QString path = pathOf(skinFolder_, lanId);
    if (std::exchange(englishJustRead_, false) && lanId == kLanguageEnglish &&
        englishDamage_.empty()) {
        current_ = english_;
        return true;
    }
    QHash<QString, QString> texts;
    const QString error = parseLanguage(path, texts);
    if (error.isEmpty()) {
        current_ = std::move(texts);
        return true;
    }
    // Half a language mixed with English reads worse than English alone.
    if (path != pathOf(skinFolder_, kLanguageEnglish)) currentDamage_.push_back({path, error});
    return false;
}

std::vector<LanguageTexts::Damage> LanguageTexts::damaged() const {
    std::vector<Damage> all = englishDamage_;
    all.insert(all.end(), currentDamage_.begin(), currentDamage_.end());
    return all;
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
