// Gives a window its skin: loads the Qt Designer file from the skin folder
// into the window, finds controls by name, turns control signals into
// notifications (to the window, or to the page whose virtual window holds the
// control) and keeps language texts on controls current.
//
// Skin conventions: controls are named by objectName; a widget with the
// dynamic property "textId" shows that language text (its "text" in the file
// is only a preview); a container with the property "virtualwnd" sends the
// notifications of its controls to the receiver registered under that name.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>

#include "skin/language_texts.h"
#include "skin/notification.h"

namespace velor {

class SkinWindow final : public QObject {
    Q_OBJECT
  public:
    using Handler = std::function<void(const Notification&)>;

    SkinWindow(QWidget* host, LanguageTexts& texts);

    // Loads skinFolder + file into the host (replacing its layout). False with
    // an error when the file is missing or not a skin.
    bool load(const QString& skinFolder, const QString& file, QString* error = nullptr);

    // Loads a further skin file into a container of this window (a page's
    // controls); its controls are found and connected like the window's own.
    QWidget* loadInto(QWidget* container, const QString& skinFolder, const QString& file,
                      QString* error = nullptr);

    QWidget* findControl(const QString& name) const;
    template <typename T>
    T* find(const QString& name) const {
        return qobject_cast<T*>(findControl(name));
    }

    // The window's own notifications (controls outside any virtual window, or
    // inside one nobody registered).
    void setHandler(Handler handler) { handler_ = std::move(handler); }
    void registerReceiver(const QString& virtualWindow, NotifyReceiver* receiver);
    void unregisterReceiver(const QString& virtualWindow);

    // Shows a language text on a control and keeps it current.
    void setTextId(QWidget* control, const QString& id);
    // The name a screen reader gives the control: a language text id, with
    // "%1" in it standing for arg; kept across language changes.
    void setAccessibleId(QWidget* control, const QString& id, const QString& arg = {});
    // Re-resolves every text id (after a language change).
    void refreshTexts();

    // Connects a control made at run time (e.g. by a page) like the loaded ones.
    void watch(QWidget* control);

    QWidget* root() const { return root_; }
    LanguageTexts& texts() const { return texts_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void deliver(QWidget* control, const QString& type, int value = 0);
    void index(QWidget* root);
    void takeWheelOnlyWithFocus(QWidget* control);
    static void applyText(QWidget* control, const QString& text);
    void applyAccessibleName(QWidget* control);

    QWidget* host_;
    LanguageTexts& texts_;
    QPointer<QWidget> root_;
    Handler handler_;
    std::map<QString, NotifyReceiver*> receivers_;
    // Controls by name, read when a skin is loaded: lookups do not walk the tree.
    mutable QHash<QString, QPointer<QWidget>> byName_;
};

// Text of a language id on one control, by kind of control.
void setControlText(QWidget* control, const QString& text);

// A small skin file read as one widget (a list row's item layout, say), not
// attached to any window; nullptr with an error when it cannot be read.
QWidget* loadItemSkin(const QString& skinFolder, const QString& file, QWidget* parent,
                      QString* error = nullptr);

}  // namespace velor
