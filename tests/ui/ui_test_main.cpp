// UI tests run on Qt's offscreen platform with one application object.
#include <QApplication>

#include <gtest/gtest.h>

#include "ui/button_accessible.h"
#include "ui/combo_accessible.h"
#include "ui/popup_menu_accessible.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the program does: a screen reader's Toggle acts as a click, and an
    // open popup menu is among the program's accessible children, and a combo
    // box is named by its label.
    velor::installButtonAccessibility();
    velor::installPopupMenuAccessibility();
    velor::installComboBoxAccessibility();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
