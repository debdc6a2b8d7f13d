// The texts of the current language, from the language files in the skin
// folder. An id the current file lacks shows the English text, and the id
// itself only when English lacks it too.
#pragma once

#include <QHash>
#include <QString>

#include "util/text_lookup.h"

namespace velor {

class LanguageTexts final : public TextLookup {
  public:
    // skinFolder ends with '/'; the English file is always read for fallbacks.
    explicit LanguageTexts(QString skinFolder);

    // False when the file is missing or not a language file; the texts then
    // come from English (or are the ids).
    bool load(int lanId);
    int lanId() const { return lanId_; }
    const QString& skinFolder() const { return skinFolder_; }

    QString get(const QString& id) const;
    std::u16string text(std::string_view id) const override;

    // For checks of the files themselves.
    static bool readFile(const QString& path, QHash<QString, QString>& into,
                         QString* error = nullptr);

  private:
    QString skinFolder_;
    int lanId_ = 0;
    QHash<QString, QString> current_;
    QHash<QString, QString> english_;
};

}  // namespace velor
