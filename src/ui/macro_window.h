// The macro editor window of a slot: shows the macros and the steps of the
// current one, and turns clicks, edits and hook events into the editor
// model's operations. Every accepted change is saved at once.
#pragma once

#include <memory>

#include "platform/hook_table.h"
#include "skin/message_dispatcher.h"
#include "skin/skinned_dialog.h"
#include "store/macro_editor_model.h"
#include "ui/focused_button_default.h"
#include "ui/key_capture_field.h"

namespace velor {

class CMacroWnd final : public SkinnedDialog, private KeyCaptureOwner {
    Q_OBJECT
  public:
    struct Services {
        int slot;
        QString skinFolder;
        MacroList* macros;
        std::function<bool()> save;
        const KeyboardLayout* keyboard;
        const HookTable* hooks;
        Clock* clock;
        DebugSink debug;
        std::function<bool(const QString& messageId)> ask;
        // Tells the user something went wrong (a notice, no choice).
        std::function<void(const QString& messageId, const QString& detail)> tell;
        // A macro file to import from (save = false) or export to; empty to cancel.
        std::function<QString(bool save)> chooseFile;
        // Where the file dialogs start.
        std::function<std::string()> dataFolder;
    };

    CMacroWnd(QWidget* parent, LanguageTexts& texts, Services services);
    ~CMacroWnd() override;

    QString className() const override { return QStringLiteral("MS_%1_Macro").arg(services_.slot); }
    QString skinFile() const override {
        return QStringLiteral("MS/MS_%1/ms_%1_macropage.xml").arg(services_.slot);
    }

    MacroEditorModel& model() { return *model_; }
    MessagePoster& hookWindow() { return hookEvents_; }

  protected:
    void initWindow() override;
    void onNotify(const Notification& n) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* control(const QString& suffix) const;
    template <typename T>
    T* find(const QString& suffix) const {
        return qobject_cast<T*>(control(suffix));
    }
    void showMacros();
    void showMacro();
    void showSteps();
    QWidget* stepRow(const MacroAction& a, int delay);
    QString stepName(int index, const MacroAction& a, int delay) const;
    void showStepEditor();
    void setRecording(bool on);
    void onHookEvent(std::uintptr_t message, std::intptr_t state);
    // The step key field's capture: every key counts, modifiers too.
    bool passOver(std::uint32_t, bool) override { return false; }
    void takeKey(std::uint32_t virtualKey) override;
    void captureChanged(bool capturing) override;
    std::uint16_t defaultDelay() const;
    DelayMode delayMode_ = DelayMode::Default;

    Services services_;
    std::unique_ptr<MacroEditorModel> model_;
    MessageDispatcher hookEvents_;
    KeyCaptureField stepKey_;
    bool editPanelOn_ = false;
    std::unique_ptr<FocusedButtonDefault> enterKeys_;
};

}  // namespace velor
