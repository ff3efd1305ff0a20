#!/usr/bin/python3
# Walks the accessibility tree of a running program over AT-SPI, the way a
# screen reader meets it, and prints one line per object:
#   depth<TAB>role<TAB>name<TAB>states<TAB>description<TAB>text<TAB>actions
# Used by the Qt tests; the program to walk is named by its AT-SPI
# application name.
import sys
import time

import pyatspi


def find_application(name, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    return None


def text_of(acc):
    try:
        text = acc.queryText()
        return text.getText(0, text.characterCount)
    except NotImplementedError:
        return ""
    except Exception:
        return ""


def actions_of(acc):
    try:
        action = acc.queryAction()
        return ",".join(action.getName(i) for i in range(action.nActions))
    except NotImplementedError:
        return ""
    except Exception:
        return ""


def clean(text):
    return text.replace("\n", " ").replace("\t", " ")


def walk(acc, depth, out, limit=2000):
    if acc is None or len(out) >= limit:
        return
    states = sorted(pyatspi.stateToString(s) for s in acc.getState().getStates())
    out.append("\t".join([str(depth), acc.getRoleName(), clean(acc.name or ""), ",".join(states),
                          clean(acc.description or ""), clean(text_of(acc)), actions_of(acc)]))
    for i in range(acc.childCount):
        walk(acc.getChildAtIndex(i), depth + 1, out, limit)


def main():
    app = find_application(sys.argv[1], float(sys.argv[2]) if len(sys.argv) > 2 else 15)
    if app is None:
        print("no application named " + sys.argv[1], file=sys.stderr)
        return 2
    lines = []
    walk(app, 0, lines)
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
