#include "skin/skin_window.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "skin/color_palette.h"
#include "skin/resource_file.h"
#include "skin/skin_reader.h"

namespace velor {

namespace {

constexpr const char* kTextId = "textId";
// What a screen reader calls a control: a language text id, and the number
// its "%1" stands for (the DPI level of "DPI level %1 value").
constexpr const char* kAccessibleId = "accessibleId";
constexpr const char* kAccessibleArg = "accessibleArg";
constexpr const char* kToolTipId = "toolTipId";
constexpr const char* kVirtualWindow = "virtualwnd";
constexpr const char* kWheelNeedsFocus = "velorWheelNeedsFocus";

QString virtualWindowOf(const QWidget* control) {
    for (const QWidget* w = control; w != nullptr; w = w->parentWidget()) {
        const QVariant v = w->property(kVirtualWindow);
        if (v.isValid() && !v.toString().isEmpty()) return v.toString();
    }
    return {};
}

}  // namespace

void setControlText(QWidget* control, const QString& text) {
    if (auto* b = qobject_cast<QAbstractButton*>(control)) {
        b->setText(text);
    } else if (auto* l = qobject_cast<QLabel*>(control)) {
        l->setText(text);
    } else if (auto* e = qobject_cast<QLineEdit*>(control)) {
        e->setText(text);
    } else if (auto* g = qobject_cast<QGroupBox*>(control)) {
        g->setTitle(text);
    } else if (control->isWindow()) {
        control->setWindowTitle(text);
    }
}

SkinWindow::SkinWindow(QWidget* host, LanguageTexts& texts)
    : QObject(host), host_(host), texts_(texts) {}

namespace {

// Reads a skin file into a widget tree under parent; nullptr with an error.
QWidget* readSkin(const QString& path, QWidget* parent, QString* error) {
    QString reason;
    auto bytes = readResourceFile(path, &reason);
    if (!bytes) {
        if (error) *error = path + ": " + reason;
        return nullptr;
    }
    QWidget* root = buildSkin(*bytes, parent, &reason);
    if (root == nullptr && error) *error = path + ": " + reason;
    return root;
}

// Makes root fill container, replacing whatever layout it had.
void fill(QWidget* container, QWidget* root) {
    delete container->layout();
    auto* layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(root);
}

}  // namespace

QWidget* loadItemSkin(const QString& skinFolder, const QString& file, QWidget* parent,
                      QString* error) {
    return readSkin(skinFolder + file, parent, error);
}

QWidget* SkinWindow::loadInto(QWidget* container, const QString& skinFolder, const QString& file,
                              QString* error) {
    QWidget* root = readSkin(skinFolder + file, container, error);
    if (root == nullptr) return nullptr;
    fill(container, root);
    index(root);
    refreshTexts();
    return root;
}

bool SkinWindow::load(const QString& skinFolder, const QString& file, QString* error) {
    QWidget* root = readSkin(skinFolder + file, host_, error);
    if (root == nullptr) return false;
    fill(host_, root);
    root_ = root;
    // The skin's own size is the window's size.
    host_->resize(root->size());
    const QVariant title = root->property(kTextId);
    if (title.isValid()) host_->setProperty(kTextId, title);
    index(root);
    refreshTexts();
    return true;
}

// Watches every control of a freshly loaded tree and notes it by name (the
// first of two equal names wins, as a search of the tree would find it).
void SkinWindow::index(QWidget* root) {
    const QList<QWidget*> all = root->findChildren<QWidget*>();
    watch(root);
    for (QWidget* w : all) watch(w);
    // A screen reader's view of a control was made when the control was,
    // before the skin gave it its class: made again, it can follow the class.
    if (QAccessible::isActive())
        for (QWidget* w : all)
            if (w->property("class").isValid())
                if (QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(w))
                    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(seen));
    for (auto it = all.crbegin(); it != all.crend(); ++it)
        if (!(*it)->objectName().isEmpty()) byName_.insert((*it)->objectName(), *it);
    byName_.insert(root->objectName(), root);
}

QWidget* SkinWindow::findControl(const QString& name) const {
    if (!root_) return nullptr;
    if (QWidget* known = byName_.value(name); known != nullptr) return known;
    // Controls made or renamed after loading.
    QWidget* found = root_->objectName() == name ? root_.data() : root_->findChild<QWidget*>(name);
    if (found) byName_.insert(name, found);
    return found;
}

void SkinWindow::registerReceiver(const QString& virtualWindow, NotifyReceiver* receiver) {
    receivers_[virtualWindow] = receiver;
}

void SkinWindow::unregisterReceiver(const QString& virtualWindow) {
    receivers_.erase(virtualWindow);
}

void SkinWindow::applyText(QWidget* control, const QString& text) {
    setControlText(control, text);
}

void SkinWindow::setTextId(QWidget* control, const QString& id) {
    if (control == nullptr) return;
    control->setProperty(kTextId, id);
    applyText(control, texts_.get(id));
}

void SkinWindow::setAccessibleId(QWidget* control, const QString& id, const QString& arg) {
    if (control == nullptr) return;
    control->setProperty(kAccessibleId, id);
    control->setProperty(kAccessibleArg, arg);
    applyAccessibleName(control);
}

void SkinWindow::applyAccessibleName(QWidget* control) {
    // A tool tip is also what a screen reader gives as the description.
    const QString tip = control->property(kToolTipId).toString();
    if (!tip.isEmpty()) control->setToolTip(texts_.get(tip));
    const QString id = control->property(kAccessibleId).toString();
    if (id.isEmpty()) return;
    const QString arg = control->property(kAccessibleArg).toString();
    const QString text = texts_.get(id);
    control->setAccessibleName(arg.isEmpty() ? text : text.arg(arg));
}

void SkinWindow::refreshTexts() {
    const auto refresh = [this](QWidget* w) {
        const QVariant id = w->property(kTextId);
        if (id.isValid() && !id.toString().isEmpty()) applyText(w, texts_.get(id.toString()));
        applyAccessibleName(w);
    };
    refresh(host_);
    if (!root_) return;
    refresh(root_);
    for (QWidget* w : root_->findChildren<QWidget*>()) refresh(w);
}

void SkinWindow::watch(QWidget* control) {
    if (auto* check = qobject_cast<QCheckBox*>(control)) {
        connect(check, &QCheckBox::clicked, this,
                [this, check](bool on) { deliver(check, "checkclick", on ? 1 : 0); });
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        // Option buttons (exclusive, checkable) report their selection; the
        // rest report clicks.
        if (button->isCheckable() &&
            (button->autoExclusive() || qobject_cast<QRadioButton*>(button)))
            connect(button, &QAbstractButton::toggled, this, [this, button](bool on) {
                if (on) deliver(button, "selectchanged", 1);
            });
        else
            connect(button, &QAbstractButton::clicked, this,
                    [this, button](bool on) { deliver(button, "click", on ? 1 : 0); });
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        connect(combo, &QComboBox::activated, this,
                [this, combo](int index) { deliver(combo, "itemselect", index); });
        takeWheelOnlyWithFocus(combo);
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(control);
               slider && !qobject_cast<QScrollBar*>(control)) {
        // (A scroll area's own bars are how the wheel scrolls: left alone.)
        connect(slider, &QAbstractSlider::valueChanged, this,
                [this, slider](int value) { deliver(slider, "valuechanged", value); });
        takeWheelOnlyWithFocus(slider);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { deliver(edit, "textchanged"); });
        connect(edit, &QLineEdit::returnPressed, this, [this, edit] { deliver(edit, "return"); });
        edit->installEventFilter(this);
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        connect(list, &QListWidget::currentRowChanged, this,
                [this, list](int row) { deliver(list, "itemselect", row); });
    } else if (auto* palette = qobject_cast<ColorPalette*>(control)) {
        connect(palette, &ColorPalette::colorChanged, this,
                [this, palette] { deliver(palette, "colorchanged"); });
        connect(palette, &ColorPalette::colorChangedButtonUp, this,
                [this, palette] { deliver(palette, "colorchangedbuttonup"); });
    }
}

// A wheel turned over a control that does not have the focus scrolls what
// holds it instead of changing a setting the user only scrolled past.
void SkinWindow::takeWheelOnlyWithFocus(QWidget* control) {
    control->setFocusPolicy(Qt::StrongFocus);
    control->setProperty(kWheelNeedsFocus, true);
    control->installEventFilter(this);
}

bool SkinWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (w == nullptr) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Wheel && w->property(kWheelNeedsFocus).toBool() &&
        !w->hasFocus()) {
        event->ignore();  // on to the parent, which scrolls
        return true;
    }
    // The reason tells a click into a control from Tab or the window coming back.
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        deliver(w, event->type() == QEvent::FocusIn ? "setfocus" : "killfocus",
                static_cast<QFocusEvent*>(event)->reason());
    return QObject::eventFilter(watched, event);
}

void SkinWindow::deliver(QWidget* control, const QString& type, int value) {
    Notification n{type, control->objectName(), control, value, virtualWindowOf(control)};
    if (!n.virtualWindow.isEmpty()) {
        if (const auto it = receivers_.find(n.virtualWindow); it != receivers_.end()) {
            it->second->notify(n);
            return;
        }
    }
    if (handler_) handler_(n);
}

}  // namespace velor
