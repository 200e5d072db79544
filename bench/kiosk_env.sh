# Sourced by the benches that run a whole kiosk: a scratch folder (runtime, settings store, home),
# a virtual display with openbox, and the default settings pointing at the build's programs. Sets
# build, top and work; everything started is ended, and the folder removed, when the bench exits.
#   bench_kiosk_setup BUILD_DIR DISPLAY_NUMBER
bench_kiosk_setup() {
  build=$(readlink -f "$1")
  top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  work=$(mktemp -d)
  trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
  mkdir -p "$work"/{runtime,registry,home}
  chmod 700 "$work/runtime"
  export XDG_RUNTIME_DIR=$work/runtime PANELIA_REGISTRY_DIR=$work/registry HOME=$work/home NO_AT_BRIDGE=1
  Xvfb ":$2" -screen 0 1280x800x24 -nolisten tcp -noreset 2>/dev/null &
  sleep 1
  export DISPLAY=":$2"
  openbox >/dev/null 2>&1 &
  sed "s#@MODULE_DIR@#$build/bin/#g" "$top/data/default-settings.reg" >"$work/settings.reg"
  "$build/bin/panelia-reg" import "$work/settings.reg" >/dev/null
}
