#!/usr/bin/env bash
# The whole kiosk's memory at its largest everyday state: the optimised Panelia on the demo (its
# music on) with the keyboard opened from the bar, then the PSS of every process of the kiosk
# (Panelia, its web and network processes, Sonavelle, Glyphdeck), each and in all. Closed, the
# keyboard ends.
#   bench/whole_kiosk.sh BUILD_DIR
set -euo pipefail
source "$(dirname "$0")/kiosk_env.sh"
bench_kiosk_setup "$1" 92
(cd "$build/bin" && exec setsid ./panelia) 2>"$work/panelia.log" &
kiosk=$!
# Up to 20 s for a program of the kiosk's to run.
running() { for _ in $(seq 100); do pgrep -g "$kiosk" -x "$1" >/dev/null && return 0; sleep 0.2; done; return 1; }
running sonavelle  # started once the home page is there
sleep 3            # the bar's page and the player settle
xdotool mousemove 674 760 click 1  # the bar's keyboard button at 1280x800
running glyphdeck
sleep 3  # its window drawn
if [ -n "${SHOT:-}" ]; then import -window root "$SHOT"; fi
for pid in $(ps -o pid= -g "$kiosk"); do
  if grep -q libLLVM "/proc/$pid/maps" 2>/dev/null; then echo "  (a GL driver is loaded in $(cat "/proc/$pid/comm"))"; fi
done
total=0
printf "the whole kiosk on the demo home page, music on, keyboard shown (PSS):\n"
for pid in $(ps -o pid= -g "$kiosk"); do
  kib=$(awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup" 2>/dev/null || echo 0)
  [ -n "$kib" ] || continue
  total=$((total + kib))
  awk -v n="$(cat "/proc/$pid/comm")" -v k="$kib" 'BEGIN { printf "  %-18s %6.1f MiB\n", n, k / 1024 }'
done
awk -v k="$total" 'BEGIN { printf "  %-18s %6.1f MiB\n", "in all", k / 1024 }'
kill -- -"$kiosk" 2>/dev/null || true
