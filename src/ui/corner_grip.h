// The frameless main window's resize handle: a size grip that keeps itself in
// the window's bottom-right corner, above the skin, so that a drag there
// resizes the window (the window manager's own resize where it offers one).
#pragma once

#include <QSizeGrip>

namespace velor {

class CornerGrip final : public QSizeGrip {
    Q_OBJECT
  public:
    // Made as a child of window, which owns it.
    explicit CornerGrip(QWidget* window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void placeInCorner();
};

}  // namespace velor
