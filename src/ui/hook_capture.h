// The keyboard and mouse hooks, built into the program: an application-wide
// event filter that, while installed and enabled, posts the hook event
// message with a virtual-key code (or a mouse message number) to the window
// given to installhook. Its entry points fill the hook table.
#pragma once

#include <QObject>

#include "platform/hook_table.h"
#include "ui/key_repeat_filter.h"

namespace velor {

class KeyboardLayout;

class HookCapture final : public QObject {
    Q_OBJECT
  public:
    // layout: how physical keys map to virtual keys (may be null).
    explicit HookCapture(const KeyboardLayout* layout, QObject* parent = nullptr);
    ~HookCapture() override;

    // The seven entries, bound to this object.
    HookTable table();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void updateFilter();
    void postKey(const KeyRepeatFilter::Edge& edge);
    void flushRelease();

    const KeyboardLayout* layout_;
    MessagePoster* keyboardWindow_ = nullptr;
    MessagePoster* mouseWindow_ = nullptr;
    bool keyboardEnabled_ = false;
    bool mouseEnabled_ = false;
    bool wheelEnabled_ = true;  // kept for the recorder; wheel events are never reported
    bool filtering_ = false;
    KeyRepeatFilter repeats_;
    bool flushQueued_ = false;
};

}  // namespace velor
