#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer, UndefinedBehaviorSanitizer and warnings as
# errors, and runs every test: unit tests without a display, end-to-end tests on their own
# Xvfb + openbox displays.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${PANELIA_CHECK_DIR:-$top/build-check}"

"$top/scripts/bootstrap.sh"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DPANELIA_SANITIZE=ON -DPANELIA_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure "$@"
