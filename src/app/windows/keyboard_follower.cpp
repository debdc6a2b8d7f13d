#include "app/keyboard_follower.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

#include "platform/keyboard_layout.h"

namespace velor {

namespace {

// Windows gives each thread a keyboard layout, and the one read at start
// (GetKeyboardLayout) is kept as a table. When the user switches layouts
// while our window is in front, or brings it to the front after switching
// elsewhere, the window is sent WM_INPUTLANGCHANGE: the table is read again.
class InputLanguageFollower final : public KeyboardFollower, public QAbstractNativeEventFilter {
  public:
    InputLanguageFollower(SwitchableKeyboardLayout& layout, std::function<void()> changed)
        : layout_(layout), changed_(std::move(changed)) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~InputLanguageFollower() override {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type == "windows_generic_MSG" &&
            static_cast<const MSG*>(message)->message == WM_INPUTLANGCHANGE) {
            if (auto switched = systemKeyboardLayout()) {
                layout_.replace(std::move(switched));
                if (changed_) changed_();
            }
        }
        return false;  // Qt follows the input language too
    }

  private:
    SwitchableKeyboardLayout& layout_;
    std::function<void()> changed_;
};

}  // namespace

std::unique_ptr<KeyboardFollower> followKeyboardLayout(SwitchableKeyboardLayout& layout,
                                                       std::function<void()> changed,
                                                       const DebugSink&) {
    return std::make_unique<InputLanguageFollower>(layout, std::move(changed));
}

}  // namespace velor
