"""What the screen-reader walk needs besides its story: the language files,
the English that must not show in another language, and a small driver of
the AT-SPI tree (find, act, wait, type)."""
import glob
import re
import time
import xml.etree.ElementTree as ET

import pyatspi


def language_texts(res, name):
    root = ET.parse("%s/lan/%s.xml" % (res, name)).getroot()
    return {e.get("id"): e.text or "" for e in root.iter("Text")}


def english_only_texts(res, language):
    """Patterns of the English a translated window must not say: the English
    language file's texts this language words otherwise, and the skins' own
    English defaults (texts and tool tips)."""
    english = set(language_texts(res, "EN").values())
    for skin in glob.glob(res + "/*.xml") + glob.glob(res + "/MS/template/*.xml"):
        for prop in ET.parse(skin).getroot().iter("property"):
            if prop.get("name") in ("text", "toolTip") and prop.find("string") is not None:
                english.add(prop.find("string").text or "")
    # Names every language keeps: the product's, and each language's own.
    ours = set(language_texts(res, language).values()) | {
        "VELOR", "VELOR Gaming Driver", "简体中文", "English", "Tiếng Việt"}
    patterns = []
    for text in english - ours:
        if len(re.findall(r"[A-Za-z]", re.sub(r"%\d", "", text))) < 3:
            continue
        patterns.append(re.compile(re.sub(r"%\d", ".+", re.escape(text).replace("\\%", "%"))))
    return patterns


def spoken_name_fault(name):
    if not name.strip():
        return "has no name"
    if not any(c.isalnum() for c in name) or (len(name.strip()) == 1 and name.isascii()):
        return "is named only by a sign"
    return None


KEYSYMS = {"Return": 0xFF0D, "Tab": 0xFF09, "F5": 0xFFC2, "space": 0x20, "a": 0x61,
           "Pause": 0xFF13, "Escape": 0xFF1B}


class Desktop:
    INTERACTIVE = {"push button", "toggle button", "radio button", "check box", "slider",
                   "spin button", "combo box", "text", "list item", "menu item",
                   "check menu item", "radio menu item", "page tab", "heading"}

    def __init__(self, on_fault=print):
        self.on_fault = on_fault
        self._app = None

    def app(self):
        if self._app is None:
            for a in pyatspi.Registry.getDesktop(0):
                if a is not None and "velor" in (a.name or "").lower():
                    self._app = a
        return self._app

    def showing(self, root):
        """Each node on screen under root, with its role's name."""
        if root is None:
            return
        stack = [root]
        while stack:
            node = stack.pop()
            try:
                if node is not root and not node.getState().contains(pyatspi.STATE_SHOWING):
                    continue
                yield node, node.getRoleName()
                stack.extend(reversed([c for c in node if c is not None]))
            except Exception:  # a node gone while we looked
                continue

    def find(self, root, role, name, prefix=False):
        for node, r in self.showing(root):
            n = node.name or ""
            if r == role and (n.startswith(name) if prefix else n == name):
                return node
        return None

    def windows(self, *roles):
        app = self.app()
        return [w for w in app if w is not None and w.getRoleName() in roles and
                w.getState().contains(pyatspi.STATE_SHOWING)] if app else []

    def dialogs(self):
        return self.windows("dialog")

    def dialog(self):
        shown = self.dialogs()
        return shown[-1] if shown else None

    def popup_menu(self):
        shown = self.windows("popup menu", "menu")
        return shown[-1] if shown else None

    def act(self, node, wanted):
        if node is None:
            return False
        action = node.queryAction()
        for i in range(action.nActions):
            if action.getName(i).lower().replace(" ", "") in wanted:
                action.doAction(i)
                return True
        return False

    def focus(self, node):
        if node is not None:
            node.queryComponent().grabFocus()
            self.wait(lambda: node.getState().contains(pyatspi.STATE_FOCUSED), 3)

    def keys(self, *names):
        for name in names:
            pyatspi.Registry.generateKeyboardEvent(KEYSYMS[name], None, pyatspi.KEY_SYM)
            time.sleep(0.15)

    @staticmethod
    def wait(condition, seconds=10.0):
        """Whether condition came true within seconds (a bound on a hang, not
        a measure of speed)."""
        end = time.monotonic() + seconds
        while True:
            try:
                if condition():
                    return True
            except Exception:
                pass
            if time.monotonic() >= end:
                return False
            time.sleep(0.1)

    def wait_for(self, make, what, seconds=10.0):
        found = []
        if self.wait(lambda: found.append(make()) or found[-1] is not None, seconds):
            return found[-1]
        self.on_fault("%s never showed" % what)
        return None
