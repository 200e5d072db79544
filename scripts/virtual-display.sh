# Sourced by the other scripts: a private X display (Xvfb + openbox) for machines without one.
# start_virtual_display sets DISPLAY; stop_virtual_display ends both servers by pid.

start_virtual_display() {
  # Xvfb picks a free display number itself and writes it to descriptor 3 once it accepts clients.
  local number_file n="" i
  number_file=$(mktemp)
  # -noreset: a plain Xvfb resets when its last client leaves and forgets its settings.
  Xvfb -displayfd 3 -screen 0 "${PANELIA_SCREEN:-1280x800x24}" -noreset -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  for i in $(seq 1 300); do
    n=$(tr -d '[:space:]' < "$number_file")
    [ -n "$n" ] && break
    sleep 0.05
  done
  rm -f "$number_file"
  if [ -z "$n" ]; then
    echo "virtual-display: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$n"
  openbox >/dev/null 2>&1 &
  OPENBOX_PID=$!
  # openbox is ready once it names itself on the root window.
  for i in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
  done
}

stop_virtual_display() {
  [ -n "${OPENBOX_PID:-}" ] && kill "$OPENBOX_PID" 2>/dev/null || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
  wait 2>/dev/null || true
}

# screenshot_kiosk PROGRAM FOLDER SHOT: the kiosk started in FOLDER on the display, a screenshot once
# it shows a page (and the splash has gone), then the kiosk ended. Fails when no page shows.
screenshot_kiosk() {
  local program=$1 folder=$2 shot=$3 kiosk title="" i
  (cd "$folder" && exec "$program") &
  kiosk=$!
  for i in $(seq 1 300); do
    title=$(xdotool search --class 'PaneliaClass4.0' getwindowname 2>/dev/null | head -n 1 || true)
    case "$title" in *" - Panelia"*) break ;; esac
    title=""
    sleep 0.1
  done
  [ -n "$title" ] && sleep 2  # the splash goes after 1.5 s
  import -window root "$shot"
  kill "$kiosk" 2>/dev/null || true
  wait "$kiosk" 2>/dev/null || true
  if [ -z "$title" ]; then
    echo "virtual-display: the kiosk showed no page in 30 s; screenshot saved to $shot" >&2
    return 1
  fi
  echo "the kiosk shows \"$title\"; screenshot saved to $shot"
}
