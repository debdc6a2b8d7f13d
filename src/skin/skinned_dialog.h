// Base of the small modal windows: a frameless dialog laid out by its skin
// file, run modally with result 1 (confirm) or 0 (anything else). A subclass
// names its class and skin, finds its controls in initWindow() and answers
// notifications in onNotify().
#pragma once

#include <QDialog>

#include "skin/skin_window.h"

namespace velor {

class SkinnedDialog : public QDialog {
    Q_OBJECT
  public:
    SkinnedDialog(QWidget* parent, LanguageTexts& texts, QString skinFolder);

    virtual QString className() const = 0;
    virtual QString skinFile() const = 0;

    // Loads the skin and runs initWindow(); false when the skin is missing.
    bool create();
    // Create (when not yet created) and run; 1 for confirm, 0 otherwise.
    int showModal();
    void closeWith(int result) { done(result); }
    // Centred over the parent window (or the screen without one).
    void centerOverParent();

    SkinWindow& skin() { return skin_; }
    const SkinWindow& skin() const { return skin_; }

  protected:
    virtual void initWindow() {}
    virtual void onNotify(const Notification&) {}

    // Dragging the background moves the frameless window.
    void mousePressEvent(QMouseEvent* event) override;

  private:
    SkinWindow skin_;
    QString skinFolder_;
    bool created_ = false;
};

}  // namespace velor
