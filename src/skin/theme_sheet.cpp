#include "skin/theme_sheet.h"

#include <QHash>
#include <QRegularExpression>

#include "skin/resource_file.h"

namespace velor {

namespace {

// One declaration with an image, "image: url(file);", its ';' included.
const QRegularExpression& imageDeclaration() {
    static const QRegularExpression pattern(
        QStringLiteral(R"([\w-]+\s*:\s*url\(\s*(["']?)([^"')]*)\1\s*\)\s*;?)"));
    return pattern;
}

}  // namespace

QString readThemeSheet(const QString& skinFolder, QStringList* damaged) {
    const QString path = skinFolder + QStringLiteral("theme.qss");
    QString error;
    const auto bytes = readResourceFile(path, &error);
    if (!bytes) {
        if (damaged) damaged->append(path + QStringLiteral(": ") + error);
        return {};
    }
    const QString sheet = QString::fromUtf8(*bytes).replace(QStringLiteral("@SKIN@"), skinFolder);
    QString checked;
    QHash<QString, bool> readable;  // an image named twice is read once
    qsizetype from = 0;
    for (auto it = imageDeclaration().globalMatch(sheet); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString image = m.captured(2);
        auto known = readable.constFind(image);
        if (known == readable.constEnd()) {
            QString why;
            known = readable.insert(image, readResourceFile(image, &why).has_value());
            if (!*known && damaged) damaged->append(image + QStringLiteral(": ") + why);
        }
        checked += QStringView(sheet).mid(from, m.capturedStart() - from);
        if (*known) checked += m.captured();
        from = m.capturedEnd();
    }
    checked += QStringView(sheet).mid(from);
    return checked;
}

}  // namespace velor
