// Where the main window goes on a screen: its design size when that fits the
// screen's free area, else as much of it as fits (the settings scroll), and
// centred, never with its caption above or beside the free area.
#pragma once

#include <QRect>
#include <QSize>

namespace velor {

QRect fitWindow(QSize design, QRect available);

}  // namespace velor
