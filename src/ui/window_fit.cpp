#include "ui/window_fit.h"

#include <algorithm>

namespace velor {

QRect fitWindow(QSize design, QRect available) {
    const QSize size = design.boundedTo(available.size());
    QRect placed(QPoint(0, 0), size);
    placed.moveCenter(available.center());
    // Whole pixels can leave the centre half a pixel out: keep the caption in.
    placed.moveLeft(std::max(placed.left(), available.left()));
    placed.moveTop(std::max(placed.top(), available.top()));
    return placed;
}

}  // namespace velor
