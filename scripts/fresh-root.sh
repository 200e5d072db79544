#!/usr/bin/env bash
# What a newcomer meets on a new machine: a minimal root of a Debian release made with debootstrap,
# the checkout copied in, and the README's two commands run in it exactly as written (no display:
# they start their own virtual one). Then the release package is built there, installed with
# apt-get and started on a virtual display. Prints each step's time and the test summary, copies the
# screenshots out, and removes the root.
#   scripts/fresh-root.sh bookworm|trixie
# Needs root and Debian's archive; it takes a while (packages, a sanitizer build, every test), so it
# is not part of the test command. PANELIA_FRESH_KEEP=1 keeps the root for a look afterwards
# (unmounted); PANELIA_FRESH_CACHE names a folder where downloaded packages are kept between runs
# ("" for none: every package downloaded afresh).
set -euo pipefail
# All in one function: bash reads it whole before it runs, so the script may be edited meanwhile.
main() {
  release=${1:-}
  case "$release" in
    bookworm | trixie) ;;
    *) echo "usage: $0 bookworm|trixie" >&2; exit 2 ;;
  esac
  [ "$(id -u)" -eq 0 ] || { echo "fresh-root: needs root (debootstrap, chroot, mounts)" >&2; exit 2; }
  top=$(cd "$(dirname "$0")/.." && pwd)
  out=$PWD
  mirror=${PANELIA_FRESH_MIRROR:-http://deb.debian.org/debian}
  cache=${PANELIA_FRESH_CACHE-/var/cache/panelia-fresh-root}
  say() { echo "fresh-root[$release]: $*"; }

  if ! command -v debootstrap >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
  fi

  root=$(mktemp -d "/var/tmp/panelia-fresh-$release.XXXXXX")
  chmod 755 "$root"  # a machine's / is open to its other accounts (apt's _apt, the tests' own)
  log="$root.log"
  mounted=()

  # Everything mounted into the root, deepest first, as the kernel sees it now.
  mounts_in_root() { awk -v r="$root/" 'index($2 "/", r) == 1 { print $2 }' /proc/self/mounts | sort -r; }

  # Processes whose root is the fresh root (daemons a test left behind keep files open in it).
  stop_root_processes() {
    local p pids=()
    for p in /proc/[0-9]*; do
      [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && pids+=("${p#/proc/}")
    done
    [ ${#pids[@]} -eq 0 ] && return 0
    kill "${pids[@]}" 2>/dev/null || true
    sleep 1
    kill -9 "${pids[@]}" 2>/dev/null || true
  }

  cleanup() {
    local status=$? m
    set +e
    stop_root_processes
    for m in $(mounts_in_root); do umount "$m" 2>/dev/null || umount -l "$m"; done
    if [ -n "$(mounts_in_root)" ]; then
      say "still mounted, the root is left at $root:"
      mounts_in_root
    elif [ "${PANELIA_FRESH_KEEP:-0}" = 1 ]; then
      say "root kept at $root"
    else
      rm -rf "$root"
    fi
    [ "$status" -eq 0 ] || say "failed; the log is $log"
    exit "$status"
  }
  trap cleanup EXIT
  trap 'exit 130' INT TERM

  bind() {  # bind SOURCE TARGET_IN_ROOT: a private bind, so nothing unmounted here reaches the machine
    mkdir -p "$root$2"
    mount --bind "$1" "$root$2"
    mount --make-private "$root$2"
  }

  seconds() { date +%s; }
  clock() { printf '%d min %02d s' $(($1 / 60)) $(($1 % 60)); }
  # run NAME COMMAND...: a step inside the root, as a root shell on a new machine has it.
  run() {
    local name=$1 start status
    shift
    start=$(seconds)
    say "$name: $*"
    set +e
    # Its own process numbers (what it starts and looks for is its own, and whatever a step leaves
    # running ends with it) and its own mounts, with / a mount point as on a machine.
    unshare --pid --fork --mount --propagation private -- bash -c '
      mount --rbind "$1" "$1" && mount -t proc proc "$1/proc" || exit 1
      exec chroot "$1" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        HOME=/root TERM=dumb LANG=C.UTF-8 bash -c "$2"' fresh-root "$root" "cd /root/panelia && $*" >>"$log" 2>&1
    status=$?
    set -e
    times+=("$name: $(clock $(($(seconds) - start)))")
    if [ "$status" -ne 0 ]; then
      tail -n 60 "$log"
      say "$name failed (exit $status)"
      exit 1
    fi
  }
  times=()

  start=$(seconds)
  say "making a minimal root in $root ($mirror)"
  debootstrap_args=(--variant=minbase)
  if [ -n "$cache" ]; then
    mkdir -p "$cache/$release/archives/partial"
    debootstrap_args+=("--cache-dir=$cache/$release/archives")
  fi
  debootstrap "${debootstrap_args[@]}" "$release" "$root" "$mirror" >"$log" 2>&1 || {
    tail -n 30 "$log"
    exit 1
  }
  # The sources a new machine of that release has.
  security=${mirror%/debian}/debian-security
  cat >"$root/etc/apt/sources.list" <<SOURCES
deb $mirror $release main
deb $mirror $release-updates main
deb $security $release-security main
SOURCES
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  # The site's own certificate authorities, as a machine on this network has them (a network that
  # inspects TLS signs with one): ca-certificates takes them in when the set-up installs it.
  if compgen -G "/usr/local/share/ca-certificates/*.crt" >/dev/null; then
    mkdir -p "$root/usr/local/share/ca-certificates"
    cp /usr/local/share/ca-certificates/*.crt "$root/usr/local/share/ca-certificates/"
  fi
  # Nothing installed there starts a service on this machine.
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod +x "$root/usr/sbin/policy-rc.d"
  bind /sys /sys
  bind /dev /dev
  mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts" && mount --make-private "$root/dev/pts"
  mount -t tmpfs tmpfs "$root/dev/shm" && mount --make-private "$root/dev/shm"
  mount -t tmpfs tmpfs "$root/run" && mount --make-private "$root/run"
  [ -n "$cache" ] && bind "$cache/$release/archives" /var/cache/apt/archives
  times+=("root: $(clock $(($(seconds) - start)))")

  # The checkout as it is now (uncommitted changes too), without build trees or anything ignored.
  mkdir -p "$root/root/panelia"
  (cd "$top" && git ls-files -z --cached --others --exclude-standard | tar --null -T - --ignore-failed-read -cf - 2>/dev/null) |
    tar -xf - -C "$root/root/panelia"

  say "the README's commands (log: $log)"
  run "run-demo" bash scripts/run-demo.sh
  cp "$root/root/panelia/panelia-demo.png" "$out/fresh-$release-demo.png"
  run "test" bash scripts/test.sh
  summary=$(grep -E 'tests passed|tests failed|Total Test time' "$log" | tail -n 2)

  # The release package as an operator installs it, and its kiosk on a virtual display.
  run "package" "cmake --build build -j\$(nproc) --target panelia sonavelle glyphdeck panelia-config panelia-reg panelia-send panelia-display panelia-password panelia_data >/dev/null && (cd build && cpack -G DEB >/dev/null) &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ./build/panelia_*.deb >/dev/null &&
    dpkg-deb -f build/panelia_*.deb Depends && PANELIA_SCREENSHOT=/root/installed.png bash scripts/show-installed.sh"
  cp "$root/root/installed.png" "$out/fresh-$release-installed.png"

  say "passed on a fresh $release root:"
  for t in "${times[@]}"; do echo "  $t"; done
  echo "  tests: $summary" | sed '2,$s/^/         /'
  echo "  screenshots: $out/fresh-$release-demo.png, $out/fresh-$release-installed.png"
}
main "$@"
