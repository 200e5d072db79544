#!/usr/bin/env bash
# Installs every Debian package the suite needs to build, run and test. Safe to run again: it only
# asks apt for what is missing.
set -euo pipefail

# Release-neutral names only (Debian 12 and 13 both): the metapackages that follow each release's
# default compiler and libraries. file: the package step asks it what each program is.
packages=(
  build-essential cmake pkg-config file gettext ca-certificates
  libgtk-3-dev libwebkit2gtk-4.1-dev libsqlite3-dev libx11-dev libxext-dev libxtst-dev libxss-dev
  libxrandr-dev libxinerama-dev libxi-dev
  libgstreamer1.0-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-tools mpg123
  ibus ibus-libpinyin ibus-gtk3 libibus-1.0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-dev clang-format clang-tidy
  ansible ansible-lint prometheus xvfb xauth openbox x11-utils x11-xserver-utils xinput xdotool imagemagick fonts-wqy-microhei faketime
  orca speech-dispatcher speech-dispatcher-espeak-ng espeak-ng python3-pyatspi at-spi2-core dbus-daemon dconf-cli
)
# Extra packages a caller needs (the benchmarks compare against other programs).
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "bootstrap: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
