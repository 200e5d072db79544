#!/usr/bin/env bash
# What the opening hours cost an idle kiosk: the same kiosk on the demo, left alone, once with the
# screen on all day and once dark all day by its Schedule.ini; prints the CPU time of Panelia and
# every process it started (web, network, player), per hour, for both.
#   bench/schedule.sh BUILD_DIR [SECONDS]
set -euo pipefail
source "$(dirname "$0")/kiosk_env.sh"
bench_kiosk_setup "$1" 92
seconds=${2:-120}
mkdir -p "$work/kiosk"
export PANELIA_AUDIO_SINK="fakesink sync=true"
cp "$build/bin/Show.dat" "$build/bin/stop.dat" "$work/kiosk/"

# "name ticks" for a process and each of its descendants.
tree_ticks() {
  local pid=$1 child
  awk '{ print $2, $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || true
  for child in $(pgrep -P "$pid" || true); do tree_ticks "$child"; done
}

measure() {
  local name=$1 schedule=$2 kiosk before after
  printf '%s' "$schedule" >"$work/kiosk/Schedule.ini"
  (cd "$work/kiosk" && exec "$build/bin/panelia") 2>"$work/panelia-$name.log" &
  kiosk=$!
  for _ in $(seq 100); do [ -s "$work/runtime/panelia/status.json" ] && break; sleep 0.2; done
  sleep 20  # the home page, the bar and the player settle
  tree_ticks "$kiosk" >"$work/before"
  sleep "$seconds"
  tree_ticks "$kiosk" >"$work/after"
  grep -o '"screen_schedule": "[a-z]*"' "$work/runtime/panelia/status.json" | tr '\n' ' '
  # Per program (summed by name), then the whole tree, in seconds of CPU per hour.
  awk -v hz="$(getconf CLK_TCK)" -v s="$seconds" -v n="$name" '
    FNR == NR { before[$1] += $2; next }
    { after[$1] += $2 }
    END {
      for (p in after) { d = (after[p] - before[p]) / hz * 3600 / s; total += d; parts = parts sprintf(" %s %.1f", p, d) }
      printf "idle kiosk, screen %s: %.1f s CPU per hour (%d s measured;%s)\n", n, total, s, parts
    }' "$work/before" "$work/after"
  kill "$kiosk"
  wait "$kiosk" 2>/dev/null || true
  rm -f "$work/runtime/panelia/status.json"
  sleep 2
}

measure on $'[Screen]\nMon-Sun = 00:00-24:00\n'
measure dark $'[Screen]\nMon-Sun = off\n'
