#!/usr/bin/env bash
# Panelia beside other programs showing the same page: a bare WebKitGTK window, surf and Chromium
# (installed here for the comparison only). Start-up to the page's title, PSS of each whole process
# tree, and CPU spent idle; rounds interleaved, medians and Panelia's ratios printed.
#   bench/peers.sh [ROUNDS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-bench"
"$top/scripts/bootstrap.sh" surf chromium
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPANELIA_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target startup_bench bare_webkit panelia sonavelle glyphdeck panelia_data
"$build/bin/startup_bench" --peers --rounds "${1:-7}"
