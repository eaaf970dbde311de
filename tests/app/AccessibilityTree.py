#!/usr/bin/python3
"""Reads the running program's accessibility tree over AT-SPI, as a screen reader does, and
checks that the table names each row's cells and its five columns, and that the watch list
editor's two boxes are named by their labels. Ends the program through its menu.

    AccessibilityTree.py PID NAME FILE [NAME FILE ...]

PID is the program's; each NAME FILE pair is a watched file's display name and file name,
which some row of the table must show. Exits 1 with the reason on the first check that fails.
"""

import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

COLUMNS = ["名前", "ファイル名", "サイズ", "更新日時", "パス"]
EDITOR_TITLE = "監視ファイル設定"
EDITOR_BOXES = ["名前：", "ファイル名："]
# The list is a QTreeView: Qt offers it as a tree that has the table interface.
TABLE_ROLES = (pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TREE)
WINDOW_ROLES = (pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG, pyatspi.ROLE_WINDOW)


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def wait_for(find, limit=20):
    """Polls find() until it returns something, at most limit seconds; returns it or None."""
    end = time.monotonic() + limit
    while True:
        # Let the library take in the tree's change events, then read it afresh.
        while GLib.MainContext.default().iteration(False):
            pass
        pyatspi.Registry.getDesktop(0).clearCache()
        found = find()
        if found or time.monotonic() >= end:
            return found
        time.sleep(0.2)


def found_or_fail(found, message):
    if not found:
        fail(message)
    return found


def descendants(node, depth=0):
    if node is None or depth > 20:
        return
    yield node
    for i in range(node.childCount):
        yield from descendants(node.getChildAtIndex(i), depth + 1)


def first(nodes, test):
    return next((n for n in nodes if n is not None and test(n)), None)


def program_app(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    apps = (desktop.getChildAtIndex(i) for i in range(desktop.childCount))
    return first(apps, lambda a: a.get_process_id() == pid)


def window(app, title):
    children = (app.getChildAtIndex(i) for i in range(app.childCount))
    return first(children, lambda w: w.getRole() in WINDOW_ROLES and w.name == title)


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True, timeout=10)


def keys(window_title, *names):
    """Types each key on the window with this title, as a user would, a menu's time apart."""
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{window_title}$"],
                         capture_output=True, text=True, timeout=10).stdout.split()
    if not ids:
        fail(f'no visible window is titled "{window_title}"')
    xdotool("windowfocus", "--sync", ids[0])
    for name in names:
        xdotool("key", "--delay", "50", name)
        time.sleep(0.3)


def check_table(main, rows):
    table = found_or_fail(
        wait_for(lambda: first(descendants(main), lambda n: n.getRole() in TABLE_ROLES)),
        "the main window has no table")
    cells = table.queryTable()
    headers = [cells.getColumnHeader(c).name for c in range(cells.nColumns)]
    if headers != COLUMNS:
        fail(f"the column headers are named {headers}, not {COLUMNS}")

    def shown():
        return [(cells.getAccessibleAt(r, 0).name, cells.getAccessibleAt(r, 1).name)
                for r in range(cells.nRows)]

    # The first rows come with the first check, a moment after the window.
    if not wait_for(lambda: all(row in shown() for row in rows)):
        fail(f"the table's rows (name, file name) are {shown()}, not {rows}")
    print(f"table: {cells.nRows} rows {shown()}, columns {headers}")


def check_editor(app):
    keys("Morvane", "alt+e", "f")  # 設定 → 監視ファイル設定
    editor = found_or_fail(wait_for(lambda: window(app, EDITOR_TITLE)), "the editor did not open")
    boxes = sorted(n.name for n in descendants(editor)
                   if n.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY)
                   and n.getState().contains(pyatspi.STATE_EDITABLE))
    if boxes != sorted(EDITOR_BOXES):
        fail(f"the editor's text boxes are named {boxes}, not {EDITOR_BOXES}")
    print(f"editor: text boxes {boxes}")

    # Escape does not close the editor; キャンセル, pressed as a screen reader presses it, does.
    cancel = first(descendants(editor),
                   lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name == "キャンセル")
    if cancel is None:
        fail("the editor has no button named キャンセル")
    action = cancel.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    action.doAction(names.index("Press") if "Press" in names else 0)
    found_or_fail(wait_for(lambda: window(app, EDITOR_TITLE) is None), "the editor did not close")


def main():
    if len(sys.argv) < 4 or len(sys.argv) % 2:
        fail(__doc__)
    pid = int(sys.argv[1])
    rows = list(zip(sys.argv[2::2], sys.argv[3::2]))

    app = found_or_fail(wait_for(lambda: program_app(pid)),
                        "the program is not in the accessibility tree")
    main_window = found_or_fail(wait_for(lambda: window(app, "Morvane")),
                                "the main window is not in the accessibility tree")
    check_table(main_window, rows)
    check_editor(app)
    keys("Morvane", "alt+f", "x")  # ファイル → 終了


if __name__ == "__main__":
    main()
