#include "skin/resource_file.h"

#include <QMessageBox>

#include <cstdio>

#include "platform/file_io.h"
#include "skin/language_texts.h"
#include "util/printable.h"
#include "util/utf8_path.h"

namespace velor {

namespace {
// Far above any skin or language file; anything larger is not one.
constexpr std::uintmax_t kResourceLimit = 8u << 20;
constexpr const char* kDamagedTextId = "damaged_file_text";
constexpr const char* kTooManyFilesTextId = "too_many_files_text";
}  // namespace

std::optional<QByteArray> readResourceFile(const QString& path, QString* error) {
    FileError failure;
    const auto bytes = readWholeFile(pathFromUtf8(path.toStdString()), kResourceLimit, &failure);
    if (!bytes && failure.outOfDescriptors) {
        if (error) *error = QString::fromLatin1(kTooManyOpenFiles);
        return std::nullopt;
    }
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

bool isTooManyOpenFiles(const QString& error) {
    return error.endsWith(QLatin1String(kTooManyOpenFiles));
}

void printDamagedFile(const QString& error, LogLevel level) {
    const QString what =
        (isTooManyOpenFiles(error)
             ? QStringLiteral("%1; the program could not read it: restart the program (the "
                              "file is not damaged)")
             : QStringLiteral("%1; a program file is damaged or missing: reinstall the program"))
            .arg(error);
    const std::string line = printableText(levelledLine(level, what.toUtf8().toStdString())) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

QString damagedFileText(const LanguageTexts& texts, const QString& path, const QString& error) {
    const bool outOfFiles = isTooManyOpenFiles(error);
    const char* id = outOfFiles ? kTooManyFilesTextId : kDamagedTextId;
    QString text = texts.get(id);
    if (text == id || !text.contains(QStringLiteral("%1")))
        text = outOfFiles ? QStringLiteral(
                                "The program has too many files open and could not read %1. "
                                "Restarting the program repairs it; the file is not damaged.")
                          : QStringLiteral(
                                "The program file %1 is damaged or missing. Reinstalling the "
                                "program repairs it.");
    return text.arg(path);
}

void showPlainNotice(QWidget* parent, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("VELOR Gaming Driver"), text,
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace velor
