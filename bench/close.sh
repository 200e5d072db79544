#!/usr/bin/env bash
# How long a close takes, per way of closing (close box or panelia-send close with a box open, the
# bar's exit password, the quit question): from the closing touch or request to Panelia's end and to
# the keyboard's window going. Runs the end-to-end close scenario ROUNDS times and prints medians.
#   bench/close.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-check}
rounds=${2:-5}
cmake --build "$build" -j"$(nproc)" --target e2e_tests >/dev/null
out=$(PANELIA_CLOSE_ROUNDS=$rounds "$build/bin/e2e_tests" --gtest_filter='*EveryCloseEndsTheKioskAndItsKeyboardAtOnce*' |
  grep '^close-time ')
echo "close: median of $rounds rounds (ms from the request)"
for way in $(awk '{ print $2 }' <<<"$out" | sort -u); do
  median() { grep " $way " <<<"$out" | sed -n "s/.*$1=\([0-9]*\).*/\1/p" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
  printf '  %-36s kiosk ended %5s   keyboard gone %5s\n' "$way" "$(median kiosk_ms)" "$(median keyboard_ms)"
done
