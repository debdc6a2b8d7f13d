// The floor of the start-up figures: the least a Qt program does to show a
// window, a label in a window, with the same probe at its first paint.
#include <QApplication>
#include <QLabel>

#include "app/first_paint_probe.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("VELOR Gaming Driver"));
    window.resize(960, 640);
    velor::quitAfterFirstPaintIfAsked(window);
    window.show();
    return QApplication::exec();
}
