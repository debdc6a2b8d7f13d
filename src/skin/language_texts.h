// The texts of the current language, from the language files in the skin
// folder. An id the current file lacks shows the English text, and the id
// itself only when English lacks it too. Damaged files are noted, so that the
// user can be told which one to repair.
#pragma once

#include <QHash>
#include <QString>

#include <vector>

#include "util/text_lookup.h"

namespace velor {

class LanguageTexts final : public TextLookup {
  public:
    struct Damage {
        QString path;
        QString reason;
    };

    // skinFolder ends with '/'; the English file is always read for fallbacks
    // (of a damaged one, what comes before the damage).
    explicit LanguageTexts(QString skinFolder);

    // False when the file is missing, not a regular file or not a language
    // file; the texts then come from English (or are the ids).
    bool load(int lanId);
    int lanId() const { return lanId_; }
    const QString& skinFolder() const { return skinFolder_; }

    QString get(const QString& id) const;
    std::u16string text(std::string_view id) const override;

    // The English file and the current one, where damaged or missing.
    std::vector<Damage> damaged() const;

    // For checks of the files themselves; `into` is left alone on failure.
    static bool readFile(const QString& path, QHash<QString, QString>& into,
                         QString* error = nullptr);

  private:
    QString skinFolder_;
    int lanId_ = 0;
    QHash<QString, QString> current_;
    QHash<QString, QString> english_;
    std::vector<Damage> englishDamage_;
    std::vector<Damage> currentDamage_;
    // The English file as read at construction, not yet loaded as current:
    // a start in English reads it once.
    bool englishJustRead_ = true;
};

}  // namespace velor
