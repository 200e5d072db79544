# The accessibility tree of one program on the session's accessibility bus, as "role|name" lines of
# every named object (what a screen reader can tell a visitor).
#   a11y_tree.py PROGRAM
import sys

import pyatspi


def walk(node, depth, out):
    if node is None or depth > 80:
        return
    try:
        # Releases of the accessibility library word a push button differently ("push button",
        # later "button"): the role itself is compared, and named as the tests name it.
        role, name = node.getRole(), node.name
        role = "push button" if role == pyatspi.ROLE_PUSH_BUTTON else node.getRoleName()
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
