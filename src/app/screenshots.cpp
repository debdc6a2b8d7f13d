#include "app/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QTimer>

#include "ui/about_window.h"
#include "ui/dpi_color_window.h"
#include "ui/macro_window.h"
#include "ui/main_window.h"
#include "ui/msg_window.h"
#include "ui/profile_name_window.h"
#include "ui/select_macro_window.h"
#include "ui/shortcut_window.h"

namespace velor {

namespace {

void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

bool save(QWidget& w, const QString& folder, const QString& name) {
    settle();
    return w.grab().save(folder + "/" + name + ".png");
}

void snapDialog(SkinnedDialog& dialog, const QString& folder, const QString& name) {
    if (!dialog.create()) return;
    dialog.setModal(false);
    dialog.show();
    save(dialog, folder, name);
    dialog.hide();
}

}  // namespace

void takeScreenshotsAndQuit(CMainWnd& window, const KeyboardLayout& keyboard,
                            const QString& folder, const QString& mainOnly) {
    QDir().mkpath(folder);
    QTimer::singleShot(500, &window, [&window, &keyboard, folder, mainOnly] {
        window.showWindow(true);
        if (!mainOnly.isEmpty()) {
            save(window, folder, mainOnly);
            return QApplication::quit();
        }
        save(window, folder, "main");
        const QString skins = window.texts().skinFolder();

        CAboutWnd about(&window, window.texts(), skins, window.messages(), window.lanId(),
                        window.startup(), window.feedback(), 1);
        snapDialog(about, folder, "about");

        CMsgWnd msg(&window, window.texts(), skins, "warning_title_text", "delete_profile_text");
        snapDialog(msg, folder, "msg");

        CDpiColorWnd colour(&window, window.texts(), skins);
        colour.setColor(CDpiColorWnd::kPresets[12]);
        snapDialog(colour, folder, "dpi_color");

        ShortcutRecord record;
        record.flags = {1, 1, 0, 0};
        record.key = 0x07;  // D
        record.hooks = &window.hookTable();
        CShortcutWnd shortcut(&window, window.texts(), skins, keyboard, record);
        snapDialog(shortcut, folder, "shortcut");

        MacroList macros;
        for (const char16_t* name : {u"Reload", u"Burst fire", u"Build wall"})
            macros.records.push_back(MacroRecord::named(name));
        CSelectMacroWnd picker(&window, window.texts(), skins, 10, macros);
        picker.macroIndex = 1;
        picker.repeatCount = 5;
        snapDialog(picker, folder, "selectmacro");

        MacroList editing = macros;
        MacroRecord& burst = editing.records[1];
        const MacroAction steps[] = {{0xF1, 1, 35}, {0xF1, 2, 60}, {0xF1, 1, 35},
                                     {0xF1, 2, 60}, {0x15, 1, 20}, {0x15, 2, 10}};
        for (int i = 0; i < 6; ++i) burst.setAction(i, steps[i]);
        burst.setActionCount(6);
        CMacroWnd editor(&window, window.texts(),
                         {10,
                          skins,
                          &editing,
                          [] { return true; },
                          &keyboard,
                          &window.hookTable(),
                          &systemClock(),
                          [](std::string_view) {},
                          [](const QString&) { return false; },
                          {},
                          {},
                          {}});
        if (editor.create()) {
            editor.model().load(1);
            editor.skin().find<QListWidget>("ms_10_macro_list")->setCurrentRow(1);
        }
        snapDialog(editor, folder, "macro_editor");

        const ProfileList profiles(*descriptorFor(10));
        CProfileNameWnd name(&window, window.texts(), skins, 10, "profile_name_1_text", profiles);
        snapDialog(name, folder, "profilename");

        QApplication::quit();
    });
}

}  // namespace velor
