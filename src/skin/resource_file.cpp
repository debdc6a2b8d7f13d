#include "skin/resource_file.h"

#include <QMessageBox>

#include <cstdio>

#include "platform/file_io.h"
#include "skin/language_texts.h"
#include "util/printable.h"

namespace velor {

namespace {
// Far above any skin or language file; anything larger is not one.
constexpr std::uintmax_t kResourceLimit = 8u << 20;
constexpr const char* kDamagedTextId = "damaged_file_text";
}  // namespace

std::optional<QByteArray> readResourceFile(const QString& path, QString* error) {
    FileError failure;
    const auto bytes = readWholeFile(path.toStdString(), kResourceLimit, &failure);
    if (!bytes) {
        // The reason alone: callers name the file their own way.
        QString reason = QString::fromStdString(failure.message);
        if (const QString named = path + QStringLiteral(": "); reason.startsWith(named))
            reason = reason.mid(named.size());
        if (error) *error = reason;
        return std::nullopt;
    }
    return QByteArray(reinterpret_cast<const char*>(bytes->data()),
                      static_cast<qsizetype>(bytes->size()));
}

void printDamagedFile(const QString& error, LogLevel level) {
    const QString what =
        QStringLiteral("%1; a program file is damaged or missing: reinstall the program")
            .arg(error);
    const std::string line = printableText(levelledLine(level, what.toUtf8().toStdString())) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

QString damagedFileText(const LanguageTexts& texts, const QString& path) {
    QString text = texts.get(kDamagedTextId);
    if (text == kDamagedTextId || !text.contains(QStringLiteral("%1")))
        text = QStringLiteral(
            "The program file %1 is damaged or missing. Reinstalling the program repairs it.");
    return text.arg(path);
}

void showPlainNotice(QWidget* parent, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("VELOR Gaming Driver"), text,
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace velor
