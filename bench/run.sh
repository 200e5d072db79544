#!/usr/bin/env bash
# Builds an optimised tree and prints the suite's figures: start-up against a bare WebKitGTK window,
# memory on the home page, and the cost of settings reads.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-bench"
"$top/scripts/bootstrap.sh" xvkbd onboard surf
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPANELIA_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target startup_bench logic_bench message_bench music_bench keyboard_bench touch_bench bare_webkit panelia sonavelle glyphdeck \
  panelia_data
"$build/bin/startup_bench"
"$top/bench/whole_kiosk.sh" "$build"
"$build/bin/message_bench"
"$build/bin/music_bench"
"$build/bin/keyboard_bench"
"$build/bin/touch_bench"
"$build/bin/logic_bench" --benchmark_min_time=0.2
"$top/bench/close.sh" "$top/build-check" 5 || echo "close bench: needs the test build (bash scripts/test.sh)"
