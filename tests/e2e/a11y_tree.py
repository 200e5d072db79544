# The accessibility tree of one program on the session's accessibility bus, as "role|name" lines of
# every named object (what a screen reader can tell a visitor).
#   a11y_tree.py PROGRAM
import sys

import pyatspi


def walk(node, depth, out):
    if node is None or depth > 80:
        return
    try:
        # The role's own identifier ("push-button"), not its display name, which releases of the
        # accessibility library word differently ("push button", "button").
        role, name = node.getRole(), node.name
        nick = getattr(role, "value_nick", None)
        role = nick.replace("-", " ") if nick else node.getRoleName()
    except Exception:
        return
    if name:
        out.append("%s|%s" % (role, name))
    for i in range(node.childCount):
        try:
            walk(node.getChildAtIndex(i), depth + 1, out)
        except Exception:
            pass


lines = []
for app in pyatspi.Registry.getDesktop(0):
    if app is not None and app.name == sys.argv[1]:
        walk(app, 0, lines)
print("\n".join(lines))
