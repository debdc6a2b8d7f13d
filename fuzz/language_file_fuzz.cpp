// A language file as any bytes: read the way the skin layer reads one, and
// looked up with the English fallback.
#include <QString>

#include "fuzz_input.h"
#include "skin/language_texts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velor;
    const auto& folder = fuzz::scratch();
    std::filesystem::create_directories(folder / "lan");
    fuzz::writeInput(folder / "lan" / "CN.xml", data, size);
    QHash<QString, QString> texts;
    LanguageTexts::readFile(QString::fromStdString((folder / "lan" / "CN.xml").string()), texts);
    LanguageTexts lookup(QString::fromStdString(folder.string() + "/"));
    lookup.load(1);
    lookup.get(QStringLiteral("mouse_name_text"));
    lookup.text("key_Home");
    return 0;
}
