#include "skin/language_texts.h"

#include <utility>

#include "skin/resource_file.h"
#include "skin/xml_events.h"
#include "store/language_choice.h"

namespace velor {

namespace {

// A language file's texts, each id's first one; a text cut off by damage is
// not taken.
class LanguageReader final : public XmlEvents {
  public:
    explicit LanguageReader(QHash<QString, QString>& texts) : texts_(texts) {}
    bool isLanguage() const { return isLanguage_; }

    void start(std::string_view element, const char* const* attributes) override {
        if (depth_++ == 0) {
            isLanguage_ = element == "Language";
            if (!isLanguage_) fail(QStringLiteral("not a language file"));
        } else if (inText_) {
            fail(QStringLiteral("an element inside a text"));
        } else if (depth_ == 2 && element == "Text") {
            inText_ = true;
            id_ = QString::fromUtf8(attribute(attributes, "id"));
            value_.clear();
        }
    }
    void end(std::string_view) override {
        if (depth_-- == 2 && std::exchange(inText_, false) && !id_.isEmpty() &&
            !texts_.contains(id_))
            texts_.insert(id_, QString::fromUtf8(value_));
    }
    void text(std::string_view s) override {
        if (inText_) value_.append(s.data(), static_cast<qsizetype>(s.size()));
    }

  private:
    QHash<QString, QString>& texts_;
    int depth_ = 0;
    bool isLanguage_ = false;
    bool inText_ = false;
    QString id_;
    QByteArray value_;
};

// The texts of one language file into `texts`, as far as it can be read; the
// reason it is not a sound language file, or an empty string.
QString parseLanguage(const QString& path, QHash<QString, QString>& texts) {
    QString error;
    const auto bytes = readResourceFile(path, &error);
    if (!bytes) return error;
    LanguageReader reader(texts);
    error = readXml(*bytes, reader);
    if (!reader.isLanguage()) return QStringLiteral("not a language file");
    return error;
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
