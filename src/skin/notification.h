// What a control tells its window: the kind ("click", "selectchanged",
// "itemselect", "checkclick", "valuechanged", "textchanged", "killfocus",
// "setfocus", "return", "colorchanged", "colorchangedbuttonup"), which control,
// and the page it belongs to.
#pragma once

#include <QString>
#include <QWidget>

namespace velor {

struct Notification {
    QString type;
    QString sender;  // the control's name
    QWidget* control = nullptr;
    int value = 0;          // new index, slider value, checked state or focus reason, by kind
    QString virtualWindow;  // the page the control sits in ("MS_10_Page"), or empty
};

// Anything that takes notifications: a window, or a page registered under its
// virtual-window name.
class NotifyReceiver {
  public:
    virtual ~NotifyReceiver() = default;
    virtual void notify(const Notification& n) = 0;
};

}  // namespace velor
