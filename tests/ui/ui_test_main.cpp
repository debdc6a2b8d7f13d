// UI tests run on Qt's offscreen platform with one application object.
#include <QApplication>

#include <gtest/gtest.h>

#include "ui/checkable_accessible.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the program does: a screen reader's Toggle acts as a click.
    velor::installCheckableAccessibility();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
