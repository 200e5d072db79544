# Sourced by the other scripts: a private X display (Xvfb + openbox) for machines without one.
# start_virtual_display sets DISPLAY; stop_virtual_display ends both servers by pid.

start_virtual_display() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  # -noreset: a plain Xvfb resets when its last client leaves and forgets its settings.
  Xvfb ":$n" -screen 0 "${PANELIA_SCREEN:-1280x800x24}" -noreset -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.05
  done
  openbox >/dev/null 2>&1 &
  OPENBOX_PID=$!
  sleep 0.3
}

stop_virtual_display() {
  [ -n "${OPENBOX_PID:-}" ] && kill "$OPENBOX_PID" 2>/dev/null || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
  wait 2>/dev/null || true
}
