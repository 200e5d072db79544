#!/usr/bin/env bash
# Installs what is missing, builds the suite and runs the kiosk on the bundled demo content.
# Without a display it runs on a private virtual one and saves a screenshot, panelia-demo.png.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${PANELIA_BUILD_DIR:-$top/build}"

"$top/scripts/bootstrap.sh"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target panelia sonavelle glyphdeck panelia-reg panelia_data
bin="$build/bin"

# A new kiosk gets the default settings, pointed at the demo pages beside the programs.
if ! "$bin/panelia-reg" query 'HKLM\SOFTWARE\Quorvex\Panelia4.0' >/dev/null 2>&1; then
  defaults=$(mktemp --suffix=.reg)
  sed "s#@MODULE_DIR@#$bin/#g" "$top/data/default-settings.reg" > "$defaults"
  "$bin/panelia-reg" import "$defaults"
  rm -f "$defaults"
  echo "run-demo: default settings imported"
fi

# Chinese input through IBus: the engines the demo's keyboard steps through, in a settings key file
# that only the demo's programs read (GSETTINGS_BACKEND=keyfile), and a daemon for the display
# unless one runs already.
start_input_methods() {
  command -v ibus-daemon >/dev/null 2>&1 || return 0
  export GSETTINGS_BACKEND=keyfile GTK_IM_MODULE=ibus
  local keyfile="${XDG_CONFIG_HOME:-$HOME/.config}/glib-2.0/settings/keyfile"
  if ! grep -q '^preload-engines=' "$keyfile" 2>/dev/null; then
    mkdir -p "$(dirname "$keyfile")"
    printf "[desktop/ibus/general]\npreload-engines=['xkb:us::eng', 'libpinyin']\n" >>"$keyfile"
  fi
  if [ "$(ibus address 2>/dev/null || true)" = "" ] || [ "$(ibus address 2>/dev/null)" = "(null)" ]; then
    ibus-daemon -r --emoji-extension=disable >/dev/null 2>&1 &
    IBUS_PID=$!
  fi
}

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  start_input_methods
  cd "$bin"
  exec "$bin/panelia"
fi

. "$top/scripts/virtual-display.sh"
start_virtual_display
stop_input_methods() {
  [ -n "${IBUS_PID:-}" ] || return 0
  timeout 5 ibus exit >/dev/null 2>&1 || kill "$IBUS_PID" 2>/dev/null || true
}
trap 'stop_input_methods; stop_virtual_display' EXIT
start_input_methods
screenshot_kiosk "$bin/panelia" "$bin" "${PANELIA_SCREENSHOT:-$PWD/panelia-demo.png}"
