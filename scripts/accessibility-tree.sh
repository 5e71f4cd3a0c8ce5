#!/usr/bin/env bash
# Prints what a screen reader sees of Ostrel's windows: the AT-SPI tree of the running program
# (role, name, actions, the label a field is tied to), on a virtual display with its own session
# bus. First the language chooser of a first run, then the main window, then the options dialog
# opened through the Options button's Press action, as a screen reader's user would open it.
# It runs Debian's python3, where python3-pyatspi is installed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh" --desktop
build=$("$root/scripts/build.sh" --target ostrel ostrel_language_files ostrel_busy_gif)
source "$root/scripts/user-sandbox.sh"
EnterUserSandbox a11y
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
export OSTREL=$build/bin/ostrel
xvfb-run -a -s "-screen 0 1600x1000x24" dbus-run-session -- bash -c '
    /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
    sleep 1
    "$OSTREL" >/dev/null 2>&1 &
    sleep 3
    /usr/bin/python3 - <<"PY"
import time
import pyatspi

def actions(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]

def labelled_by(node):
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            return [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return []

def dump(node, depth=0):
    line = "  " * depth + node.getRoleName() + " " + repr(node.name)
    if actions(node):
        line += " actions=" + ",".join(actions(node))
    if labelled_by(node):
        line += " labelled-by=" + ",".join(map(repr, labelled_by(node)))
    print(line)
    for child in node:
        if child is not None and child.getState().contains(pyatspi.STATE_SHOWING):
            dump(child, depth + 1)

def program():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "ostrel":
            return app
    raise SystemExit("ostrel is not on the accessibility bus")

def press(name, role):
    def find(node):
        if node.getRoleName() == role and node.name == name:
            return node
        for child in node:
            found = find(child) if child is not None else None
            if found is not None:
                return found
        return None
    target = find(program())
    if target is None:
        raise SystemExit("no " + role + " " + repr(name))
    target.queryAction().doAction(0)
    time.sleep(2)

print("== first run: the language chooser"); dump(program())
press("Apply", "push button")
print("== the main window"); dump(program())
press("Options", "push button")
print("== the options dialog over it"); dump(program())
PY
    kill %2 2>/dev/null || true'
