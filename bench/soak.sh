#!/usr/bin/env bash
# A long run of the whole suite on a private display, as a busy day would treat it: navigations
# through the bar and through panelia-send, the keyboard shown and closed again and again, music
# started and stopped on the way. Prints the suite's memory (PSS), open descriptors and X resources
# at the start and at the end, and fails when one of them grew by more than 10 %.
#   bench/soak.sh [NAVIGATIONS [KEYBOARD_ROUNDS]]     (defaults 10000 and 1000; not run by CI)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${PANELIA_BENCH_DIR:-$top/build-bench}"
navigations="${1:-10000}"
keyboard_rounds="${2:-1000}"

"$top/scripts/bootstrap.sh" xrestop
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target panelia sonavelle glyphdeck panelia-reg panelia-send panelia_data >/dev/null
bin="$build/bin"

work=$(mktemp -d)
export PANELIA_REGISTRY_DIR="$work/store"
mkdir -p "$PANELIA_REGISTRY_DIR"
# The demo's own settings; the idle return stays out of the way of the measurement.
sed "s#@MODULE_DIR@#$bin/#g" "$top/data/default-settings.reg" > "$work/defaults.reg"
"$bin/panelia-reg" import "$work/defaults.reg" >/dev/null
"$bin/panelia-reg" add 'HKLM\SOFTWARE\Quorvex\Panelia4.0\Advance' /v IsAutoHome /t REG_DWORD /d 0 /f >/dev/null
export PANELIA_AUDIO_SINK="fakesink sync=true"

. "$top/scripts/virtual-display.sh"
start_virtual_display
kiosk=""
cleanup() {
  [ -n "$kiosk" ] && kill "$kiosk" 2>/dev/null || true
  stop_virtual_display
  rm -rf "$work"
}
trap cleanup EXIT

(cd "$bin" && exec "$bin/panelia" 2>"$work/panelia.log") &
kiosk=$!

title() { xdotool search --class 'PaneliaClass4.0' getwindowname 2>/dev/null | head -n 1 || true; }
wait_for() {  # wait_for TEST [TENTHS]: until TEST succeeds, at most TENTHS tenths of a second
  local i
  for i in $(seq 1 "${2:-100}"); do eval "$1" && return 0; sleep 0.1; done
  return 1
}
wait_for '[[ "$(title)" == *" - Panelia触摸屏浏览器" ]]' 200 || { echo "soak: the kiosk did not start"; exit 1; }
sleep 3

# The suite's processes: Panelia, its web and network processes, the player (and the keyboard while
# it is up).
suite_pids() {
  local p children
  p=$(pgrep -x panelia | head -n 1)
  echo "$p"
  children=$(pgrep -P "$p" || true)
  for c in $children; do echo "$c"; pgrep -P "$c" || true; done
  # The companions are started detached from Panelia.
  pgrep -x sonavelle || true
  pgrep -x glyphdeck || true
}
measure() {
  local pss=0 fds=0 p v
  for p in $(suite_pids | sort -u); do
    v=$(awk '/^Pss:/ {print $2}' "/proc/$p/smaps_rollup" 2>/dev/null || echo 0)
    pss=$((pss + ${v:-0}))
    fds=$((fds + $(ls "/proc/$p/fd" 2>/dev/null | wc -l)))
  done
  # X resources of every client but the window manager (the suite's programs are the only others):
  # bytes of pixmaps, and the count of windows, GCs, pixmaps, pictures, cursors and the rest.
  local xres
  xres=$(xrestop -b -m 1 2>/dev/null | awk '
    /^[0-9]+ - / { wm = ($3 == "Openbox") }
    /^\t(windows|GCs|pixmaps|pictures|cursors|unknowns)/ { if (!wm) count += $3 }
    /^\tpixmap bytes/ { if (!wm) bytes += $4 }
    END { print bytes + 0, count + 0 }')
  echo "$pss $fds $xres"
}

# The bar's buttons in the demo style (1280 pixels wide): home, museum, map, events, keyboard.
bar_y=760
declare -A button=([home]=300 [museum]=912 [map]=980 [events]=1048 [keyboard]=776)
touch_bar() { xdotool mousemove "${button[$1]}" "$bar_y" click 1; }

# Warm-up: every page once and the keyboard once, so the engine's caches hold their working set and
# the comparison shows growth, not the first filling of caches.
"$bin/panelia-send" music-play >/dev/null || true
for page in 1 2 3 4 0; do "$bin/panelia-send" open-url "$page" >/dev/null || true; sleep 1; done
touch_bar keyboard
wait_for 'xdotool search --class GlyphdeckClass4.0 >/dev/null 2>&1' 50 || true
sleep 1
"$bin/panelia-send" close GlyphdeckClass4.0 >/dev/null || true
wait_for '! pgrep -x glyphdeck >/dev/null' 50 || true
sleep 3
per_process() {
  local p
  for p in $(suite_pids | sort -u); do
    echo "soak:   $(cat "/proc/$p/comm" 2>/dev/null) $(awk '/^Pss:/ {print $2}' "/proc/$p/smaps_rollup" 2>/dev/null) KiB"
  done
}
per_process

read -r pss0 fds0 pix0 res0 <<<"$(measure)"
echo "soak: start  PSS ${pss0} KiB, descriptors ${fds0}, X pixmap bytes ${pix0}, other X resources ${res0}"


start=$(date +%s)
for i in $(seq 1 "$navigations"); do
  case $((i % 8)) in
    0) touch_bar home ;;
    1) touch_bar museum ;;
    2) touch_bar map ;;
    3) touch_bar events ;;
    *) "$bin/panelia-send" open-url $((i % 5)) >/dev/null || true ;;
  esac
  sleep 0.1  # a brisk visitor: ten pages a second
  # Music stopped and started again now and then, as pages of a stop list would.
  if ((i % 250 == 0)); then "$bin/panelia-send" music-stop >/dev/null || true; fi
  if ((i % 250 == 5)); then "$bin/panelia-send" music-play >/dev/null || true; fi
  ((i % 1000 == 0)) && echo "soak: $i navigations ($(($(date +%s) - start)) s)"
  kill -0 "$kiosk" 2>/dev/null || { echo "soak: the kiosk ended after $i navigations"; tail "$work/panelia.log"; exit 1; }
done
for i in $(seq 1 "$keyboard_rounds"); do
  touch_bar keyboard
  wait_for 'xdotool search --class GlyphdeckClass4.0 >/dev/null 2>&1' 50 || echo "soak: keyboard $i did not show"
  sleep 0.6  # a visitor's glance; Panelia looks for the keyboard it started every 400 ms
  "$bin/panelia-send" close GlyphdeckClass4.0 >/dev/null || true
  # Gone once the program itself has ended (its single-instance lock with it).
  wait_for '! pgrep -x glyphdeck >/dev/null' 50 || echo "soak: keyboard $i did not close"
  ((i % 200 == 0)) && echo "soak: keyboard shown and closed $i times ($(($(date +%s) - start)) s)"
done
"$bin/panelia-send" open-url 0 >/dev/null || true  # home, where it started
sleep 5

per_process
read -r pss1 fds1 pix1 res1 <<<"$(measure)"
echo "soak: end    PSS ${pss1} KiB, descriptors ${fds1}, X pixmap bytes ${pix1}, other X resources ${res1}"
echo "soak: $navigations navigations and $keyboard_rounds keyboard rounds in $(($(date +%s) - start)) s"
status=0
check() {  # check NAME BEFORE AFTER: at most 10 % growth (and a few units of slack for small counts)
  local limit=$(( $2 + $2 / 10 + 5 ))
  if (( $3 > limit )); then echo "soak: $1 grew from $2 to $3 (more than 10 %)"; status=1
  else echo "soak: $1 $2 -> $3 (within 10 %)"; fi
}
check "PSS (KiB)" "$pss0" "$pss1"
check "descriptors" "$fds0" "$fds1"
check "X pixmap bytes" "$pix0" "$pix1"
check "other X resources" "$res0" "$res1"
exit $status
