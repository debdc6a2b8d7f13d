// The program's own files (skins, language files, theme): read whole, and
// only when they are regular files, since a named pipe in their place would
// hang the start for ever. A file that cannot be read or parsed is damaged;
// the user is told which, and that reinstalling repairs it.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include "util/log.h"

class QWidget;

namespace velor {

class LanguageTexts;

// nullopt with the reason (not the path) when the file is missing, not a
// regular file, or unreadable; kTooManyOpenFiles when the program had no
// descriptor left to open it with.
std::optional<QByteArray> readResourceFile(const QString& path, QString* error = nullptr);

// That reason: the file is sound, and reinstalling would not help.
inline constexpr const char* kTooManyOpenFiles = "too many open files";
// Whether an error (the reason, or the file's name and the reason) is that.
bool isTooManyOpenFiles(const QString& error);

// One line on stderr: the error (which names the file) and the repair; an
// error when the program cannot go on without the file.
void printDamagedFile(const QString& error, LogLevel level = LogLevel::warning);

// The same for a notice, in the current language; in English when the
// language files cannot say it either.
QString damagedFileText(const LanguageTexts& texts, const QString& path, const QString& error = {});

// The notice in a plain box, for when the skin's own message window cannot be
// shown. It does not wait: the caller goes on (or ends) as it would.
void showPlainNotice(QWidget* parent, const QString& text);

}  // namespace velor
