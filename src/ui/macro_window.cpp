#include "ui/macro_window.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStackedWidget>

#include "keys/key_tables.h"
#include "store/macro_file.h"
#include "ui/file_dialogs.h"
#include "util/utf8_path.h"

namespace velor {

namespace {

// Mouse codes in the order of the combo box and of the click buttons 1..5.
constexpr std::uint8_t kMouseCodes[] = {0xF1, 0xF2, 0xF3, 0xF5, 0xF4};
constexpr int kRowHeight = 30;
constexpr std::uintptr_t kStopRecordingKey = 0x13;  // Pause

bool isMouseCode(std::uint8_t code) {
    return code >= 0xF1 && code <= 0xF5;
}

}  // namespace

CMacroWnd::CMacroWnd(QWidget* parent, LanguageTexts& texts, Services services)
    : SkinnedDialog(parent, texts, services.skinFolder),
      services_(std::move(services)),
      stepKey_(*this, services_.hooks) {
    model_ = std::make_unique<MacroEditorModel>(
        MacroEditorModel::Wiring{*services_.macros, services_.save, texts, *services_.keyboard,
                                 *services_.clock, services_.debug});
    hookEvents_.on(kHookEventMessage,
                   [this](std::uintptr_t m, std::intptr_t s) { onHookEvent(m, s); });
    if (!services_.chooseFile)
        services_.chooseFile = [this](bool save) {
            const QString start =
                services_.dataFolder ? QString::fromStdString(services_.dataFolder()) : QString();
            return chooseFile(this, save, skin().texts().get("file_dialog_macro_text"), "macro",
                              start);
        };
}

CMacroWnd::~CMacroWnd() {
    // A recording the window closes on was never stopped, so it is not kept
    // (its last steps are often the keys that closed the window); the hooks
    // end with it.
    if (model_->recording()) {
        model_->discardRecording();
        setRecording(false);
    }
    if (services_.hooks) services_.hooks->removeHook();
}

QWidget* CMacroWnd::control(const QString& suffix) const {
    return skin().findControl(QStringLiteral("ms_%1_").arg(services_.slot) + suffix);
}

void CMacroWnd::initWindow() {
    if (QWidget* record = control("macro_record_btn")) record->installEventFilter(this);
    // Enter presses the focused button; typed in a field (the name, a
    // delay) it belongs to the field: nothing here closes on Enter.
    enterKeys_ = std::make_unique<FocusedButtonDefault>(*this);
    // The step's key is taken after a click or Enter in its field, as a
    // shortcut's is, so Tab walks on through the step editor.
    stepKey_.attach(find<QLineEdit>("macro_action_edit"));
    captureChanged(false);
    showMacros();
    model_->load(-1);
    showMacro();
}

void CMacroWnd::showMacros() {
    auto* list = find<QListWidget>("macro_list");
    if (!list) return;
    const QSignalBlocker quiet(list);
    list->clear();
    for (const MacroRecord& m : services_.macros->records) {
        auto* row = new QListWidgetItem(QString::fromStdU16String(m.name().value_or(u"")), list);
        row->setSizeHint(QSize(0, 22));
    }
    list->setCurrentRow(model_->currentIndex());
}

void CMacroWnd::showMacro() {
    if (auto* name = find<QLineEdit>("macro_name_edit")) {
        const int i = model_->currentIndex();
        name->setText(
            i >= 0
                ? QString::fromStdU16String(
                      services_.macros->records[static_cast<std::size_t>(i)].name().value_or(u""))
                : QString());
        name->setEnabled(i >= 0);
    }
    showSteps();
}

void CMacroWnd::showSteps() {
    auto* list = find<QListWidget>("macro_action_list");
    if (!list) return;
    const QSignalBlocker quiet(list);
    list->clear();
    const auto& steps = model_->steps();
    for (std::size_t i = 0; i < steps.size(); ++i) {
        auto* row = new QListWidgetItem(list);
        row->setSizeHint(QSize(0, kRowHeight));
        // The last step always waits 10 ms.
        const bool last = i + 1 == steps.size();
        const int delay = last ? MacroEditorModel::kMinDelay : steps[i].delay;
        list->setItemWidget(row, stepRow(steps[i], delay));
        // The row is drawn by its widget; a screen reader reads this.
        row->setData(Qt::AccessibleTextRole, stepName(static_cast<int>(i), steps[i], delay));
    }
    list->setCurrentRow(model_->selected());
    if (model_->selected() >= 0) list->scrollToItem(list->currentItem());
    showStepEditor();
}

QString CMacroWnd::stepName(int index, const MacroAction& a, int delay) const {
    const QString key = QString::fromStdU16String(
        KeyNameOfUsage(a.code, *services_.keyboard, skin().texts(), services_.debug));
    const QString action = skin().texts().get(a.isPress() ? "key_down_action" : "key_up_action");
    return skin().texts().get("a11y_macro_step_text").arg(index + 1).arg(key, action).arg(delay);
}

// One row of the step list, laid out by "keylistitem.xml": the key, its press
// or release, and the delay; the theme draws the key as a key cap or a mouse
// badge and the action in its colour.
QWidget* CMacroWnd::stepRow(const MacroAction& a, int delay) {
    const QString name = QString::fromStdU16String(
        KeyNameOfUsage(a.code, *services_.keyboard, skin().texts(), services_.debug));
    const QString action = skin().texts().get(a.isPress() ? "key_down_action" : "key_up_action");
    QString error;
    QWidget* row = loadItemSkin(services_.skinFolder, "keylistitem.xml", nullptr, &error);
    if (row == nullptr) {
        services_.debug(error.toStdString());
        auto* plain = new QLabel(QStringLiteral("%1   %2   %3").arg(name, action).arg(delay));
        return plain;
    }
    if (auto* key = row->findChild<QLabel*>("key")) {
        key->setText(name);
        key->setProperty("device", isMouseCode(a.code) ? "mouse" : "keyboard");
    }
    if (auto* kind = row->findChild<QLabel*>("action")) {
        kind->setText(action);
        kind->setProperty("press", a.isPress());
    }
    if (auto* wait = row->findChild<QLabel*>("delay")) wait->setText(QString::number(delay));
    // Clicks reach the list, so a click on a row selects it.
    for (QWidget* w : row->findChildren<QWidget*>())
        w->setAttribute(Qt::WA_TransparentForMouseEvents);
    row->setAttribute(Qt::WA_TransparentForMouseEvents);
    return row;
}

void CMacroWnd::showStepEditor() {
    auto* tab = find<QStackedWidget>("macro_action_edit_tab");
    if (!tab) return;
    const int s = model_->selected();
    if (!editPanelOn_ || s < 0) {
        tab->setCurrentIndex(0);
        return;
    }
    const MacroAction& a = model_->steps()[static_cast<std::size_t>(s)];
    const bool last = s + 1 == static_cast<int>(model_->steps().size());
    const QString delay = QString::number(last ? MacroEditorModel::kMinDelay : a.delay);
    if (!isMouseCode(a.code)) {
        tab->setCurrentIndex(1);
        if (auto* key = find<QLineEdit>("macro_action_edit")) {
            key->setText(QString::fromStdU16String(
                KeyNameOfUsage(a.code, *services_.keyboard, skin().texts(), services_.debug)));
        }
        if (auto* edit = find<QLineEdit>("macro_delay_edit")) {
            edit->setText(delay);
            edit->setEnabled(!last);
        }
    } else {
        tab->setCurrentIndex(2);
        if (auto* combo = find<QComboBox>("macro_mouse_action_combo")) {
            const QSignalBlocker quiet(combo);
            combo->setCurrentIndex(
                static_cast<int>(std::find(std::begin(kMouseCodes), std::end(kMouseCodes), a.code) -
                                 std::begin(kMouseCodes)));
        }
        if (auto* edit = find<QLineEdit>("macro_mouseaction_delay_edit")) {
            edit->setText(delay);
            edit->setEnabled(!last);
        }
    }
}

std::uint16_t CMacroWnd::defaultDelay() const {
    const auto* edit = find<QLineEdit>("default_delay_edit");
    return static_cast<std::uint16_t>(edit ? edit->text().toLongLong() : 10);
}

void CMacroWnd::setRecording(bool on) {
    const HookTable* hooks = services_.hooks;
    if (on) {
        model_->startRecording(delayMode_, defaultDelay());
        showMacros();
        if (hooks) {
            hooks->installHook(&hookEvents_);
            hooks->enableHook(true);
            hooks->mouseWheelEnable(false);
        }
    } else {
        model_->stopRecording();
        if (hooks) {
            hooks->removeHook();
            hooks->removeMouseHook();
            hooks->enableMouseHook(false);
            hooks->enableHook(false);
            hooks->mouseWheelEnable(false);
        }
    }
    if (auto* record = find<QCheckBox>("macro_record_btn")) {
        record->setChecked(on);
        skin().setTextId(record, on ? "stop_recording_text" : "start_recording_text");
    }
    showMacro();
}

// A screen reader says how the field takes a key, and when it is waiting for one.
void CMacroWnd::captureChanged(bool capturing) {
    if (auto* key = find<QLineEdit>("macro_action_edit"))
        key->setAccessibleDescription(
            skin().texts().get(capturing ? "a11y_step_key_armed_text" : "a11y_step_key_hint_text"));
}

void CMacroWnd::takeKey(std::uint32_t virtualKey) {
    const KeyUsage usage = UsageOfVirtualKey(virtualKey, *services_.keyboard);
    model_->setStepCode(static_cast<std::uint8_t>(usage.found ? usage.usage : 0));
    showSteps();
}

void CMacroWnd::onHookEvent(std::uintptr_t message, std::intptr_t state) {
    if (!model_->recording()) return;
    // Pause ends a recording without becoming a step, so the keyboard alone
    // can stop it (the stop button says so); every other key is recorded.
    if (message == kStopRecordingKey) {
        if (state == 0) setRecording(false);
        return;
    }
    model_->recordEvent(static_cast<std::uint32_t>(message), state);
    if (!model_->recording()) setRecording(false);  // it stopped by itself: full
    showSteps();
}

// The click that stops a recording must not be recorded.
bool CMacroWnd::eventFilter(QObject* watched, QEvent* event) {
    if (model_->recording() && services_.hooks &&
        (event->type() == QEvent::Enter || event->type() == QEvent::Leave))
        services_.hooks->enableMouseHook(event->type() == QEvent::Leave);
    return SkinnedDialog::eventFilter(watched, event);
}

void CMacroWnd::onNotify(const Notification& n) {
    const QString prefix = QStringLiteral("ms_%1_").arg(services_.slot);
    if (n.type == "click" && n.sender == "btn_exit") return closeWith(1);
    if (!n.sender.startsWith(prefix)) return;
    const QString s = n.sender.mid(prefix.size());
    if (n.type == "itemselect" && s == "macro_list") {
        model_->load(n.value);
        return showMacro();
    }
    if (n.type == "itemselect" && s == "macro_action_list") {
        model_->select(n.value);
        return showStepEditor();
    }
    if (n.type == "itemselect" && s == "macro_mouse_action_combo" && n.value >= 0 && n.value < 5) {
        model_->setStepCode(kMouseCodes[n.value]);
        return showSteps();
    }
    if (n.type == "killfocus" && s == "macro_name_edit") {
        if (!model_->rename(qobject_cast<QLineEdit*>(n.control)->text().toStdU16String()))
            return showMacro();
        return showMacros();
    }
    if (n.type == "killfocus" && s == "default_delay_edit") {
        auto* edit = qobject_cast<QLineEdit*>(n.control);
        if (edit->text().toLongLong() < MacroEditorModel::kMinDelay) edit->setText("10");
        return;
    }
    if (n.type == "killfocus" && (s == "macro_delay_edit" || s == "macro_mouseaction_delay_edit")) {
        model_->setStepDelay(qobject_cast<QLineEdit*>(n.control)->text().toLongLong());
        return showSteps();
    }
    if (n.type == "selectchanged") {
        if (s == "record_delay_btn") delayMode_ = DelayMode::Recorded;
        if (s == "default_delay_btn") delayMode_ = DelayMode::Default;
        if (s == "no_delay_btn") delayMode_ = DelayMode::None;
        return;
    }
    if (n.type == "checkclick") {
        if (s == "macro_record_btn") return setRecording(!model_->recording());
        if (s == "macro_insert_mouse_btn") {
            if (QWidget* w = control("macro_mouse_event_tab")) w->setVisible(n.value != 0);
            if (QWidget* w = control("macro_name_tab")) w->setVisible(n.value == 0);
            return;
        }
        if (s == "macro_action_edit_check") {
            editPanelOn_ = n.value != 0 && model_->selected() >= 0;
            if (auto* box = qobject_cast<QCheckBox*>(n.control)) box->setChecked(editPanelOn_);
            return showStepEditor();
        }
    }
    if (n.type != "click") return;
    if (s == "macro_add_btn") {
        model_->addMacro();
        showMacros();
        return showMacro();
    }
    if (s == "macro_delete_btn") {
        if (!model_->hasCurrent() || !services_.ask("delete_macro_text")) return;
        model_->deleteCurrent();
        showMacros();
        return showMacro();
    }
    if (s == "macro_export_btn" && model_->hasCurrent()) {
        const QString file = services_.chooseFile(true);
        if (file.isEmpty()) return;
        std::string error;
        if (!exportMacro(
                services_.macros->records[static_cast<std::size_t>(model_->currentIndex())],
                pathFromUtf8(file.toStdString()), &error)) {
            services_.debug(error);
            if (services_.tell)
                services_.tell("macro_export_failed_text", QString::fromStdString(error));
        }
        return;
    }
    if (s == "macro_import_btn") {
        const QString file = services_.chooseFile(false);
        if (file.isEmpty()) return;
        const auto imported = importMacro(*services_.macros, pathFromUtf8(file.toStdString()));
        if (!imported) {
            services_.debug(imported.error());
            if (services_.tell)
                services_.tell(imported.error().find(kMacroTooLong) != std::string::npos
                                   ? "macro_too_long_text"
                                   : "macro_import_failed_text",
                               {});
            return;
        }
        services_.save();
        model_->load(*imported);
        showMacros();
        return showMacro();
    }
    if (s == "macro_up_btn") model_->moveUp();
    if (s == "macro_down_btn") model_->moveDown();
    if (s == "macro_delete_action_btn") model_->deleteStep();
    if (s == "macro_clear_action_btn") model_->clearSteps();
    for (int k = 1; k <= 5; ++k)
        if (s == QStringLiteral("macro_key%1_btn").arg(k))
            model_->insertClick(kMouseCodes[k - 1], delayMode_, defaultDelay());
    if (s == "macro_save_btn") {
        model_->commit();
        editPanelOn_ = false;
        if (auto* box = find<QCheckBox>("macro_action_edit_check")) box->setChecked(false);
    }
    if (s == "macro_cancel_btn") {
        editPanelOn_ = false;
        if (auto* box = find<QCheckBox>("macro_action_edit_check")) box->setChecked(false);
        model_->cancelEdits();
    }
    showSteps();
}

}  // namespace velor
