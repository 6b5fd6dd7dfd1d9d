#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# A real accessibility client, as a screen reader sees the program: it logs in, builds three
# frames, walks the tree from the desktop checking roles and names, and presses a frame button
# through the Action interface. Run by AccessibilityClientTest under its own X server and buses;
# the program is already started. Exits 0 when every check holds, 1 with the failures printed.
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402
import pyatspi  # noqa: E402

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message, flush=True)
    return condition


def poll(find, seconds, what):
    deadline = time.monotonic() + seconds
    while True:
        found = find()
        if found is not None:
            return found
        if time.monotonic() > deadline:
            print("gave up waiting for " + what, flush=True)
            return None
        time.sleep(0.1)


def fresh(accessible):
    # Read the program again instead of trusting what the client library kept.
    try:
        accessible.clear_cache()
    except Exception:
        pass
    return accessible


def walk(node, depth=0):
    if node is None or depth > 12:
        return
    yield node
    try:
        count = node.childCount
    except Exception:
        return
    for i in range(count):
        try:
            child = node.getChildAtIndex(i)
        except Exception:
            continue
        yield from walk(child, depth + 1)


def app():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        a = desktop.getChildAtIndex(i)
        if a is not None and a.name == "Movelle":
            return fresh(a)
    return None


def find(root, role, name):
    for node in walk(fresh(root)):
        try:
            if node.getRoleName() in role and node.name == name and node.getState().contains(pyatspi.STATE_SHOWING):
                return node
        except Exception:
            continue
    return None


def xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], check=True)


def click(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    xdotool("mousemove", "--sync", str(box.x + box.width // 2), str(box.y + box.height // 2), "click", "1")


def type_into(node, text):
    click(node)
    xdotool("type", "--delay", "40", text)


def press(node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    check("Press" in names, "%s offers no Press action, only %s" % (node.name, names))
    action.doAction(names.index("Press") if "Press" in names else 0)


LABEL = ("label", "static")
BUTTON = ("push button",)
TEXT = ("text", "entry")

program = poll(app, 30, "the program on the accessibility bus")
if program is None:
    print("FAIL: the program never appeared on the accessibility bus")
    sys.exit(1)

# The login: its password box is named, typed into with the keyboard, and Enter accepts.
password = poll(lambda: find(program, ("password text",), "Password"), 20, "the password box")
if not check(password is not None, "no password text named 'Password' in the login window"):
    sys.exit(1)
type_into(password, "harbor")
xdotool("key", "Return")

main = poll(lambda: find(program, ("frame",), "Movelle Version 1.0.0"), 20, "the main window")
if not check(main is not None, "the main window did not appear in the tree"):
    sys.exit(1)

count = poll(lambda: find(main, TEXT, "Number of Frames"), 10, "the frame count box")
rate = find(main, TEXT, "Rate of Display, millisec/pic")
if not check(count is not None and rate is not None, "the two text boxes are not named by their labels"):
    sys.exit(1)
type_into(count, "3")
# The click put the focus into the box, and the client can tell.
focused = poll(lambda: count if fresh(count).getState().contains(pyatspi.STATE_FOCUSED) else None, 10, "the focus")
check(focused is not None, "the frame count box does not report the focus after a click into it")
type_into(rate, "100")
settings = find(main, BUTTON, "Settings finished")
if not check(settings is not None, "no push button 'Settings finished'"):
    sys.exit(1)
press(settings)

frame3 = poll(lambda: find(main, BUTTON, "Frame 3"), 10, "the frame buttons")
check(frame3 is not None, "no push button 'Frame 3' after Settings finished")

# The whole window, walked from the desktop.
nodes = [(n.getRoleName(), n.name, n.description) for n in walk(fresh(main))]
names = {(role, name) for role, name, _ in nodes}
for name in ("Start Animation", "Stop Animation", "Load Pic.", "Save", "Open", "Drawing", "Frame 1", "Frame 2",
             "Frame 3", "Default...", "Settings finished", "Next Pic.", "Last Pic."):
    check(("push button", name) in names, "no push button named %r" % name)
for name in ("Image Ani", "Recent Button", "Number of Frames :", "Rate of Display :", "millisec/pic", "Settings :",
             "Movie Controls :"):
    check(any(role in LABEL and n == name for role, n in names), "no label named %r" % name)
images = sorted(n for role, n, _ in nodes if role == "image")
check(images == ["Frame 1", "Frame 2", "Frame 3"], "the pictures are %r, not frames 1 to 3" % images)
check(not any(role == "push button" and name in ("1", "2", "3") for role, name in names),
      "a frame button is still named by its bare number")

# "Recent Button" names the frame chosen last; pressing frame 2's button changes it to 2.
def recent():
    for node in walk(fresh(main)):
        try:
            if node.getRoleName() in LABEL and "Recent Button" in node.description:
                return node
        except Exception:
            continue
    return None


recent_label = poll(recent, 10, "the label under Recent Button")
if check(recent_label is not None, "no label described as 'Recent Button'"):
    check(recent_label.name == "1", "Recent Button shows %r before any frame button, not '1'" % recent_label.name)
    frame2 = find(main, BUTTON, "Frame 2")
    if check(frame2 is not None, "no push button 'Frame 2'"):
        press(frame2)
        changed = poll(lambda: recent() if recent().name == "2" else None, 10, "Recent Button to read 2")
        check(changed is not None, "Recent Button did not change to 2 after pressing Frame 2")

# "o" leaves only the pictures (frame 2's, the one chosen last); "p" brings the controls back.
def client_area():
    return [(n.getRoleName(), n.name) for n in walk(fresh(main))
            if n.getRoleName() in LABEL + BUTTON + TEXT + ("image",)]


xdotool("key", "o")
only_pictures = poll(lambda: True if client_area() == [("image", "Frame 2")] else None, 10, "the picture-only view")
check(only_pictures is not None, "after 'o' the window holds %r, not frame 2's picture alone" % client_area())
xdotool("key", "p")
full = poll(lambda: True if ("push button", "Settings finished") in client_area() else None, 10, "the full view")
check(full is not None, "after 'p' the controls did not come back")
check(any(role in LABEL and name == "Image Ani" for role, name in client_area()), "after 'p' 'Image Ani' is missing")

if failures:
    print("%d check(s) failed" % len(failures))
    sys.exit(1)
print("all checks passed: %d objects in the main window, pictures %s" % (len(nodes), images))
