#!/usr/bin/python3
"""What a screen reader sees of the running program, through AT-SPI.

    atspi-check.py tree       prints "ROLE|NAME|STATES" for each object of the main window
    atspi-check.py focused    prints the name of the control that has the keyboard focus
    atspi-check.py press NAME presses the button named NAME through its action
    atspi-check.py description NAME  prints the description of the object named NAME
"""

import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def main_window():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is None:
            continue
        for j in range(app.get_child_count()):
            window = app.get_child_at_index(j)
            if window is not None and window.get_name() == "Corvissa":
                return window
    sys.exit("no main window")


def walk(node):
    yield node
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from walk(child)


def states(node):
    state = node.get_state_set()
    return [name for name, value in (("focusable", Atspi.StateType.FOCUSABLE),
                                     ("focused", Atspi.StateType.FOCUSED),
                                     ("showing", Atspi.StateType.SHOWING))
            if state.contains(value)]


def main():
    command = sys.argv[1]
    window = main_window()
    if command == "tree":
        for node in walk(window):
            print(f"{node.get_role_name()}|{node.get_name()}|{','.join(states(node))}")
    elif command == "focused":
        for node in walk(window):
            if "focused" in states(node):
                print(node.get_name() or node.get_role_name())
    elif command == "press":
        for node in walk(window):
            if node.get_role() == Atspi.Role.PUSH_BUTTON and node.get_name() == sys.argv[2]:
                action = node.get_action_iface()
                for k in range(action.get_n_actions()):
                    if action.get_action_name(k) == "Press":
                        action.do_action(k)
                        return
        sys.exit("no button " + sys.argv[2])
    elif command == "description":
        for node in walk(window):
            if node.get_name() == sys.argv[2]:
                print(node.get_description())
                return
        sys.exit("nothing named " + sys.argv[2])


if __name__ == "__main__":
    main()
