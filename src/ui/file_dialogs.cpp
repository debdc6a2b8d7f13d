#include "ui/file_dialogs.h"

#include <QFileDialog>

namespace velor {

QString chooseFile(QWidget* owner, bool save, const QString& kindText, const QString& extension,
                   const QString& startFolder) {
    const QString filter =
        QStringLiteral("%1 (*.%2 *.%3)").arg(kindText, extension, extension.toUpper());
    if (!save) return QFileDialog::getOpenFileName(owner, QString(), startFolder, filter);
    QFileDialog dialog(owner, QString(), startFolder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(extension);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

}  // namespace velor
