#!/usr/bin/python3
# A screen reader's view of the running program, through the AT-SPI bus (pyatspi): prints every
# named object of its windows as "role|name|description|labelled-by", each table's size and its
# first tick cell ("first-cell|<table>|<name>|<description>|<states>|<actions>"), then listens for tick changes. It prints "listening" when the listener is in
# place and ends with the first "checked" state change ("event|checked|<0/1>|<cell name>") or
# after the time limit in seconds given as its first argument. With "tree" as second argument
# it ends after printing.
import sys
import time

import pyatspi
from gi.repository import GLib

limit = float(sys.argv[1]) if len(sys.argv) > 1 else 10.0
desktop = pyatspi.Registry.getDesktop(0)


def find_program():
    end = time.monotonic() + limit
    while time.monotonic() < end:
        for app in desktop:
            if app is not None and app.name == "rufkartei":
                return app
        time.sleep(0.1)
    return None


def state_names(node):
    return ",".join(sorted(state.value_nick for state in node.getState().getStates()))


def action_names(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return ""
    return ",".join(action.getName(index) for index in range(action.nActions))


def show(node):
    labels = [relation.getTarget(0).name for relation in node.getRelationSet()
              if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY]
    print("|".join([node.getRoleName(), node.name, node.description, ",".join(labels)]))
    if node.getRoleName() == "table":
        table = node.queryTable()
        headers = [getattr(table.getColumnHeader(column), "name", "")
                   for column in range(table.nColumns)]
        print("table-size|%s|%d|%d|%s" % (node.name, table.nRows, table.nColumns,
                                          ",".join(headers)))
        if table.nRows > 0:
            cell = table.getAccessibleAt(0, 0)
            print("first-cell|%s|%s|%s|%s|%s" % (node.name, cell.name, cell.description,
                                                 state_names(cell), action_names(cell)))
        return
    for child in node:
        if child is not None:
            show(child)


program = find_program()
if program is None:
    print("no program")
    sys.exit(1)
for window in program:
    show(window)
sys.stdout.flush()
if len(sys.argv) > 2 and sys.argv[2] == "tree":
    sys.exit(0)

loop = GLib.MainLoop()


def on_event(event):
    print("event|checked|%d|%s" % (event.detail1, event.source.name))
    sys.stdout.flush()
    loop.quit()


def announce_listening():
    print("listening")
    sys.stdout.flush()
    return False


pyatspi.Registry.registerEventListener(on_event, "object:state-changed:checked")
# The program learns of the new listener through the registry; a moment later it sends.
GLib.timeout_add(1000, announce_listening)
GLib.timeout_add(int(limit * 1000), loop.quit)
loop.run()
