#!/usr/bin/python3
"""Reads the program's main window over AT-SPI, as a screen reader does.

usage: dbus-run-session -- read_accessible_window.py PROGRAM APP_DIR
Starts the accessibility bus, then the program, and prints what it finds, one
"kind|..." line each: control|ROLE|NAME, labelled|TARGET|CAPTION,
label-for|CAPTION|TARGET, focus|NAME after each Tab from "Change",
enter|NAME|BEFORE|AFTER for Return on the check box, title|TITLE after BUILD's
"click" action, and exit|STATUS after Escape.
"""
import os
import subprocess
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

warnings.filterwarnings("ignore", category=DeprecationWarning)  # Debian's libatspi names


def wait_for(what, probe, seconds=15.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.1)
    sys.exit("read_accessible_window: timed out waiting for " + what)


def bus_ready():
    return subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                           "org.a11y.Bus.GetAddress"], capture_output=True).returncode == 0


def program_window(pid):
    desktop = Atspi.get_desktop(0)
    apps = [desktop.get_child_at_index(i) for i in range(desktop.get_child_count())]
    for app in (a for a in apps if a is not None and a.get_process_id() == pid):
        for frame in (app.get_child_at_index(j) for j in range(app.get_child_count())):
            if frame is not None and (frame.get_name() or "").startswith("Quillmere v."):
                return frame
    return None


def controls(node):
    found = []
    for child in (node.get_child_at_index(i) for i in range(node.get_child_count())):
        if child is not None:
            found += [child] if child.get_role_name() in ("push button", "check box", "label") else []
            found += controls(child)
    return found


def related(node, kind):
    return [r.get_target(i).get_name() for r in node.get_relation_set() if r.get_relation_type() == kind
            for i in range(r.get_n_targets())]


def has(node, state):
    return node.get_state_set().contains(state)


def key(name):
    subprocess.run(["xdotool", "key", name], check=True)


def main():
    program, app_dir = sys.argv[1], sys.argv[2]
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], stdout=sys.stderr)
    child = None
    try:
        wait_for("the accessibility bus", bus_ready)
        env = dict(os.environ)
        env.pop("NO_AT_BRIDGE", None)  # scripts/with-xvfb turns the bridge off for other tests
        # The program's own output goes to standard error: standard output holds the findings.
        child = subprocess.Popen([program], cwd=app_dir, env=env, stdin=subprocess.DEVNULL, stdout=sys.stderr)
        window = wait_for("the program's window on the accessibility bus", lambda: program_window(child.pid))
        found = controls(window)
        named = {node.get_name(): node for node in found}
        for node in found:
            print("control|%s|%s" % (node.get_role_name(), node.get_name()))
            for caption in related(node, Atspi.RelationType.LABELLED_BY):
                print("labelled|%s|%s" % (node.get_name(), caption))
            for target in related(node, Atspi.RelationType.LABEL_FOR):
                print("label-for|%s|%s" % (node.get_name(), target))

        buttons = [n for n in found if n.get_role_name() != "label"]
        named["Change"].grab_focus()
        wait_for("the focus on Change", lambda: has(named["Change"], Atspi.StateType.FOCUSED))
        for _ in range(4):
            key("Tab")
            time.sleep(0.2)
            print("focus|" + ",".join(n.get_name() for n in buttons if has(n, Atspi.StateType.FOCUSED)))
        box = named["Rebuild docs"]
        box.grab_focus()
        before = has(box, Atspi.StateType.CHECKED)
        key("Return")
        wait_for("Return to press the box", lambda: has(box, Atspi.StateType.CHECKED) != before, 3.0)
        print("enter|Rebuild docs|%d|%d" % (before, has(box, Atspi.StateType.CHECKED)))
        key("Return")  # as it was, so that BUILD runs no generator
        wait_for("Return to press the box again", lambda: has(box, Atspi.StateType.CHECKED) == before)

        build = named["BUILD"]
        build.do_action([build.get_action_name(i) for i in range(build.get_n_actions())].index("click"))
        print("title|" + wait_for("the count in the title", lambda: "Items:" in window.get_name() and window.get_name()))
        key("Escape")
        print("exit|%d" % child.wait(timeout=10))
        child = None
    finally:
        if child is not None:
            child.kill()
            child.wait()
        bus.terminate()
        bus.wait()


if __name__ == "__main__":
    main()
