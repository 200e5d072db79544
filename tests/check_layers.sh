#!/usr/bin/env bash
# The logic folders are plain C++: no toolkit, X11, SQLite or GLib header may be included there. The
# configure step checks what they link; this checks what they include.
set -euo pipefail
top="$1"
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]((gtk|gdk|gdk-pixbuf|webkit2?|jsc|glib|glib-2\.0|gio|gobject|gst|ibus|libsoup|cairo|pango|X11|xcb)/|(glib|gio|gtk|gdk|sqlite3|ibus|cairo|pango|Xlib|xcb)[^/]*\.h[>"])'
status=0
for dir in common shell browse keyboard music config; do
  [ -d "$top/$dir" ] || continue
  if grep -rInEi --include='*.h' --include='*.cpp' "$pattern" "$top/$dir"; then status=1; fi
done
if [ "$status" -ne 0 ]; then
  echo "check_layers: the lines above include a platform header in a logic folder; move that code to platform/" >&2
fi
exit "$status"
