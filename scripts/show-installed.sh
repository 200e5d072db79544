#!/usr/bin/env bash
# The installed package's kiosk (/usr/bin/panelia in the package's kiosk folder, on the settings the
# package installed) on a private virtual display, and a screenshot of what it shows.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/virtual-display.sh"
start_virtual_display
trap stop_virtual_display EXIT
screenshot_kiosk /usr/bin/panelia /var/lib/panelia/kiosk "${PANELIA_SCREENSHOT:-$PWD/panelia-installed.png}"
