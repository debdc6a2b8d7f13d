// A language file as any bytes: read the way the skin layer reads one, and
// looked up with the English fallback. A sound file gives each of its texts
// as read; a damaged one is named and gives none of its own.
#include <QString>

#include <cstdlib>

#include "fuzz_input.h"
#include "skin/language_texts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velor;
    const auto& folder = fuzz::scratch();
    std::filesystem::create_directories(folder / "lan");
    const QString path = QString::fromStdString((folder / "lan" / "CN.xml").string());
    fuzz::writeInput(folder / "lan" / "CN.xml", data, size);
    QHash<QString, QString> texts{{QStringLiteral("kept"), QStringLiteral("as it was")}};
    QString error;
    const bool sound = LanguageTexts::readFile(path, texts, &error);
    if (sound != error.isEmpty()) std::abort();
    if (!sound && (texts.size() != 1 || !error.startsWith(path))) std::abort();
    if (texts.contains(QString())) std::abort();

    // No English file here: an id without a text of its own shows itself.
    LanguageTexts lookup(QString::fromStdString(folder.string() + "/"));
    if (lookup.load(1) != sound || lookup.damaged().size() != (sound ? 1u : 2u)) std::abort();
    if (!sound && lookup.damaged().back().path != path) std::abort();
    if (sound)
        for (auto it = texts.cbegin(); it != texts.cend(); ++it)
            if (lookup.get(it.key()) != it.value()) std::abort();
    if (!sound && lookup.get(QStringLiteral("mouse_name_text")) != u"mouse_name_text") std::abort();
    const std::u16string home = lookup.text("key_Home");
    if (QString::fromStdU16String(home) != lookup.get(QStringLiteral("key_Home"))) std::abort();
    return 0;
}
