#!/usr/bin/env bash
# What keeping the status current costs an idle kiosk: the optimised Panelia on the demo, on a
# virtual display, left alone for a while (the document and the metrics are then written once a
# minute); prints the document's and the metrics' sizes and Panelia's CPU time, per hour.
#   bench/status.sh BUILD_DIR [SECONDS]
set -euo pipefail
source "$(dirname "$0")/kiosk_env.sh"
bench_kiosk_setup "$1" 91
seconds=${2:-300}
mkdir -p "$work/metrics"
"$build/bin/panelia-reg" add 'HKLM\SOFTWARE\Quorvex\Panelia4.0\Advance' /v MetricsFolder /t REG_SZ /d "$work/metrics" /f >/dev/null
"$build/bin/panelia-reg" add 'HKLM\SOFTWARE\Quorvex\Panelia4.0\Advance' /v WaitTime /t REG_DWORD /d 0 /f >/dev/null
(cd "$build/bin" && exec ./panelia) 2>"$work/panelia.log" &
kiosk=$!
for _ in $(seq 100); do [ -s "$work/runtime/panelia/status.json" ] && break; sleep 0.2; done
sleep 20  # the home page and the bar settle
ticks() { awk '{ print $14 + $15 }' "/proc/$kiosk/stat"; }
before=$(ticks)
sleep "$seconds"
after=$(ticks)
hz=$(getconf CLK_TCK)
echo "status.json: $(stat -c %s "$work/runtime/panelia/status.json") bytes; panelia.prom: $(stat -c %s "$work/metrics/panelia.prom") bytes"
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
  'BEGIN { printf "idle Panelia (status written once a minute): %.2f s CPU per hour (%d s measured)\n", t / hz * 3600 / s, s }'
