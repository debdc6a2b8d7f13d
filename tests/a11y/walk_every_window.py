"""The program as a screen-reader user meets it, in one language: every
window, dialog and menu walked through AT-SPI, every interactive control
named in that language, and each action doing what a click does: a DPI box
toggled reaches the mouse, "Launch at startup" writes its entry, a shortcut
is bound and a macro recorded and stopped with the keyboard alone, and a
button behind an open dialog does nothing.

    walk_every_window.py RESOURCE_FOLDER LANGUAGE_FILE   (EN, CN or YUENAN)
Run by with_screen_reader_bus.sh, which starts the program.
"""
import os
import re
import sys
import time

import pyatspi

from a11y_support import (Desktop, english_only_texts, language_texts, spoken_name_fault)

res, language = sys.argv[1], sys.argv[2]
T = language_texts(res, language)
foreign = english_only_texts(res, language) if language != "EN" else []
faults = []


def fault(what):
    faults.append(what)
    print("FAULT:", what, flush=True)


desk = Desktop(fault)


def t(text_id, *args):
    text = T[text_id]
    for i, a in enumerate(args):
        text = text.replace("%%%d" % (i + 1), str(a))
    return text


def check_window(root, where):
    """Every interactive control named, in this language."""
    seen = 0
    for node, role in desk.showing(root):
        seen += 1
        name, description = node.name or "", node.description or ""
        if role in desk.INTERACTIVE or role in ("menu", "popup menu"):
            problem = spoken_name_fault(name)
            if problem:
                fault("%s: a %s %s (%r)" % (where, role, problem, name))
        for said in (name, description):
            if said and any(p.fullmatch(said) for p in foreign):
                fault("%s: %r is English in %s" % (where, said, language))
    if seen < 3:
        fault("%s: nothing on the accessibility bus" % where)


def press(node, where):
    if not desk.act(node, ("press", "toggle", "showmenu")):
        fault("%s: %r has no press action" % (where, node.name))


def trace_size():
    return os.path.getsize(os.environ["VELOR_TEST_TRACE"])


def expect_sent(before, what):
    if not desk.wait(lambda: trace_size() > before):
        fault("%s sent nothing to the mouse" % what)


# A bound on a start slowed by a busy machine, not a measure of speed.
main = desk.wait_for(lambda: desk.find(desk.app(), "push button", T["profile_add_text"]),
                     "the main window", seconds=60)
if main is None:
    sys.exit("the program's window never came up on the accessibility bus")
desk.wait(lambda: False, 1.5)  # the first full upload
check_window(desk.app(), "main window")

# Section headings: the same role and state on every page.
headings = {}
for tab in [n for n, r in desk.showing(desk.app()) if r == "radio button" and
            re.fullmatch(r"MS-\d+", n.name or "")]:
    press(tab, "model " + tab.name)
    desk.wait(lambda: False, 0.5)
    check_window(desk.app(), tab.name + " page")
    for node, role in desk.showing(desk.app()):
        if role in ("heading", "check box", "toggle button", "push button") and \
                (node.name or "") in (T[k] for k in T if k.startswith("section_")):
            states = node.getState()
            kind = (role, states.contains(pyatspi.STATE_EXPANDABLE))
            headings.setdefault(node.name, set()).add(kind)
for name, kinds in headings.items():
    if len(kinds) > 1:
        fault("section %r differs between pages: %s" % (name, sorted(kinds)))
press(desk.find(desk.app(), "radio button", "MS-10"), "model MS-10")
desk.wait(lambda: False, 0.5)

# A DPI level switched off and on through its box reaches the mouse.
box = desk.find(desk.app(), "check box", t("a11y_dpi_on_text", 8))
for turn in ("off", "on"):
    before = trace_size()
    press(box, "DPI level 8")
    expect_sent(before, "DPI level 8 switched %s" % turn)

# About: the autostart box writes and removes its entry.
press(desk.find(desk.app(), "push button", T["about_title_text"]), "main window")
about = desk.wait_for(lambda: desk.dialog(), "the About window")
if about:
    check_window(about, "About")
    if desk.find(about, "combo box", T["language_label_text"]) is None:
        fault("About: the language box is not named %r" % T["language_label_text"])
    entry = os.path.join(os.environ["VELOR_TEST_HOME"], ".config/autostart/velor.desktop")
    startup = desk.find(about, "check box", T["autostart_label_text"])
    for present in (True, False):
        press(startup, "About")
        if not desk.wait(lambda: os.path.exists(entry) == present):
            fault("Launch at startup toggled, but the entry is %s" %
                  ("missing" if present else "still there"))
    press(desk.find(about, "push button", T["a11y_close_text"]), "About")
    desk.wait(lambda: desk.dialog() is None)

# Rows 13..18 only tell what a button does: read as text, nothing to press.
for k in range(13, 19):
    rows = [(n, r) for n, r in desk.showing(desk.app())
            if (n.name or "").startswith(t("a11y_button_row_text", k, ""))]
    if not rows:
        fault("button row %d is not on the bus" % k)
    for node, role in rows:
        try:
            actions = node.queryAction().nActions
        except NotImplementedError:
            actions = 0
        if role == "push button" or actions:
            fault("button row %d is a %s with %d actions" % (k, role, actions))

# The button menu: named, and its shortcut item binds a key by keyboard alone.
row = desk.find(desk.app(), "push button", t("a11y_button_row_text", 5, ""), prefix=True)
press(row, "button row 5")
menu = desk.wait_for(lambda: desk.popup_menu(), "the button menu")
if menu:
    check_window(menu, "button menu")
    item = desk.find(menu, "menu item", T["shortcut_title_text"])
    press(item, "button menu")
shortcut = desk.wait_for(lambda: desk.dialog(), "the shortcut window")
if shortcut:
    check_window(shortcut, "shortcut window")
    field = desk.find(shortcut, "text", T["a11y_shortcut_key_text"])
    desk.focus(field)
    desk.keys("Return", "F5")       # Enter starts the capture; F5 is the key
    desk.wait(lambda: field.queryText().getText(0, -1) == "F5")
    desk.keys("Tab")                # the capture is over: Tab moves on
    desk.wait(lambda: False, 0.3)
    if field.queryText().getText(0, -1) != "F5":
        fault("the shortcut field holds %r, not F5" % field.queryText().getText(0, -1))
    before = trace_size()
    ok = desk.find(shortcut, "push button", T["ok_text"])
    desk.focus(ok)
    desk.keys("Return")
    if not desk.wait(lambda: desk.dialog() is None):
        fault("Enter on OK did not close the shortcut window")
    expect_sent(before, "the shortcut for button 5")
    if not desk.wait(lambda: desk.find(desk.app(), "push button", t("a11y_button_row_text", 5, "F5"))):
        fault("button row 5 is not named after its new caption F5")

# The macro editor: a recording started and stopped by keyboard; the main
# window's buttons behind it do nothing.
press(desk.find(desk.app(), "push button", T["macro_editor_text"]), "main window")
editor = desk.wait_for(lambda: desk.dialog(), "the macro editor")
if editor:
    press(desk.find(desk.app(), "push button", T["profile_add_text"]), "behind the macro editor")
    desk.wait(lambda: False, 1.0)
    if len(desk.dialogs()) > 1:
        fault("a main-window button behind the macro editor opened a dialog")
        desk.close_top_dialog(T)
    record = desk.find(editor, "check box", T["start_recording_text"])
    desk.focus(record)
    desk.keys("space")
    desk.wait(lambda: record.name == T["stop_recording_text"])
    desk.keys("a", "Pause")
    if not desk.wait(lambda: record.name == T["start_recording_text"]):
        fault("Pause did not stop the recording")
    step_prefix = T["a11y_macro_step_text"].split("%1")[0]
    steps = [n.name for n, r in desk.showing(editor)
             if r == "list item" and (n.name or "").startswith(step_prefix)]
    expected = [t("a11y_macro_step_text", 1, "A", T["key_down_action"], 10),
                t("a11y_macro_step_text", 2, "A", T["key_up_action"], 10)]
    if steps != expected:
        fault("the recorded steps read %r, not %r" % (steps, expected))
    check_window(editor, "macro editor")
    press(desk.find(editor, "push button", T["a11y_close_text"]), "macro editor")
    desk.wait(lambda: desk.dialog() is None)

# The other dialogs: each walked, then cancelled.
for opener, where, closer in (
        (("push button", T["profile_add_text"]), "profile name dialog", T["cancel_text"]),
        (("push button", t("a11y_dpi_colour_text", 1)), "DPI colour dialog", T["cancel_text"]),
        (("push button", T["profile_delete_text"]), "message box", T["ok_text"]),
        (("push button", T["profile_apps_text"]), "application rules window",
         T["close_window_text"])):
    press(desk.find(desk.app(), *opener), where)
    dialog = desk.wait_for(lambda: desk.dialog(), where)
    if dialog:
        check_window(dialog, where)
        press(desk.find(dialog, "push button", closer), where)
        desk.wait(lambda: desk.dialog() is None)
press(row, "button row 5")
menu = desk.wait_for(lambda: desk.popup_menu(), "the button menu")
if menu:
    press(desk.find(menu, "menu item", T["assign_macro_title_text"]), "button menu")
    chooser = desk.wait_for(lambda: desk.dialog(), "the macro chooser")
    if chooser:
        check_window(chooser, "macro chooser")
        press(desk.find(chooser, "push button", T["cancel_text"]), "macro chooser")

print("%d faults" % len(faults))
sys.exit(1 if faults else 0)
