#include "ui/select_macro_window.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>

#include <algorithm>

namespace velor {

namespace {
constexpr int kMinCount = 1;
constexpr int kMaxCount = 255;
constexpr int kRowHeight = 22;
}  // namespace

CSelectMacroWnd::CSelectMacroWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder,
                                 int slot, const MacroList& macros)
    : SkinnedDialog(parent, texts, skinFolder), slot_(slot), macros_(macros) {}

void CSelectMacroWnd::initWindow() {
    // A stale index (its macro deleted since) shows no row and chooses nothing.
    if (macroIndex < 0 || macroIndex >= static_cast<int>(macros_.records.size())) macroIndex = -1;
    if (auto* list = skin().find<QListWidget>("list_macro")) {
        const QSignalBlocker quiet(list);
        for (const MacroRecord& m : macros_.records) {
            auto* row =
                new QListWidgetItem(QString::fromStdU16String(m.name().value_or(u"")), list);
            row->setSizeHint(QSize(0, kRowHeight));
        }
        list->setCurrentRow(macroIndex);
        // The row the keyboard makes current (the first one the focus lands
        // on, the one Down or Up moves to) is the one OK takes, so it shows
        // and reads as selected too.
        connect(list, &QListWidget::currentItemChanged, this, [list](QListWidgetItem* now) {
            if (now && !now->isSelected())
                list->setCurrentItem(now, QItemSelectionModel::ClearAndSelect);
        });
    }
    repeatMode = std::clamp(repeatMode, 0, 2);
    // A stored count out of range shows (and stays, on OK) as the nearest one allowed.
    repeatCount = std::clamp(repeatCount, kMinCount, kMaxCount);
    if (auto* option =
            skin().find<QAbstractButton>(QStringLiteral("repeat_%1").arg(repeatMode + 1))) {
        const QSignalBlocker quiet(option);
        option->setChecked(true);
    }
    if (auto* edit = skin().find<QLineEdit>("edit_loop_time"))
        edit->setText(QString::number(repeatCount));
    showCountRow();
}

void CSelectMacroWnd::showCountRow() {
    if (QWidget* row = skin().findControl("hor_loop_time")) row->setVisible(repeatMode == 0);
}

void CSelectMacroWnd::takeCount() {
    auto* edit = skin().find<QLineEdit>("edit_loop_time");
    // A count the user did not touch stays as it was stored.
    if (edit == nullptr || !edit->isModified()) return;
    bool ok = false;
    const long long typed = edit->text().toLongLong(&ok);
    const int count = static_cast<int>(std::clamp<long long>(ok ? typed : 0, kMinCount, kMaxCount));
    if (!ok || count != typed) edit->setText(QString::number(count));
    repeatCount = count;
}

void CSelectMacroWnd::onNotify(const Notification& n) {
    if (n.type == "itemselect" && n.sender == "list_macro") {
        macroIndex = n.value;
    } else if (n.type == "selectchanged" && n.sender.startsWith("repeat_")) {
        repeatMode = std::clamp(n.sender.mid(7).toInt() - 1, 0, 2);
        showCountRow();
    } else if (n.type == "textchanged" && n.sender == "edit_loop_time") {
        auto* edit = qobject_cast<QLineEdit*>(n.control);
        QString digits = edit->text();
        digits.removeIf([](QChar c) { return c < '0' || c > '9'; });
        if (digits != edit->text()) {
            edit->setText(digits);
            edit->setCursorPosition(static_cast<int>(digits.size()));
            edit->setModified(true);
        }
    } else if (n.type == "killfocus" && n.sender == "edit_loop_time") {
        takeCount();
    } else if (n.type == "click") {
        if (n.sender == "btn_ok") {
            takeCount();  // a count still being typed counts
            closeWith(1);
        }
        if (n.sender == "btn_cancel" || n.sender == "btn_exit") closeWith(0);
    }
}

}  // namespace velor
