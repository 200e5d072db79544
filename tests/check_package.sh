#!/usr/bin/env bash
# The Debian package as an operator meets it: built from the build tree, installed with apt-get,
# upgraded from an older version with a setting the operator changed, reinstalled, removed and
# purged, with the group, folders, modes and the demo's settings checked after each step.
#   check_package.sh BUILD_DIR
# It installs on this machine itself (as root) and purges again at the end; it skips (77) where it
# is not root or a panelia package is already installed, so that nobody's kiosk is touched.
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail=0
say() { echo "package: $*"; }
bad() { say "FAIL: $*"; fail=1; }

(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/panelia_*.deb)
# An older version to upgrade from: the same package under a lower number.
(cd "$build" && cpack -G DEB -B "$out/old" -D CPACK_PACKAGE_VERSION=4.4.0 >"$out/cpack-old.log" 2>&1) ||
  { cat "$out/cpack-old.log"; exit 1; }
old=$(ls "$out"/old/panelia_*.deb)

# What the package holds, wherever the build tree would install: always under /usr.
files=$(dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); sub(/ -> .*/, ""); print }')
grep -q '^\./usr/local' <<<"$files" && bad "files under /usr/local"
for f in lib/panelia/panelia lib/panelia/glyphdeck lib/panelia/sonavelle lib/panelia/panelia-session bin/panelia \
         share/xsessions/panelia-kiosk.desktop "lib/panelia/demo/music/01 清晨.mp3"; do
  grep -qx -- "./usr/$f" <<<"$files" || bad "missing /usr/$f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libgtk-3-0 libwebkit2gtk-4.1-0 libgstreamer1.0-0 libsqlite3-0 libibus-1.0-5 libxtst6 openbox \
           gstreamer1.0-plugins-good; do
  grep -q "$dep" <<<"$depends" || bad "no dependency on $dep"
done

skip() {
  say "$1"
  [ "$fail" -eq 0 ] && exit 77 || exit 1
}
[ "$(id -u)" -eq 0 ] || skip "not root: the package was built and looked at, not installed"
if dpkg-query -W -f='${Status}' panelia 2>/dev/null | grep -q installed; then
  skip "a panelia package is installed on this machine already: not touching it"
fi
trap 'apt-get purge -y -qq panelia >/dev/null 2>&1 || true; rm -rf "$out"' EXIT

apt() {
  if ! DEBIAN_FRONTEND=noninteractive apt-get "$@" -y -qq -o Dpkg::Use-Pty=0 >"$out/apt.log" 2>&1; then
    bad "apt-get $* failed:"
    cat "$out/apt.log"
    exit 1
  fi
}
reg() { PANELIA_REGISTRY_DIR= /usr/bin/panelia-reg "$@"; }
value() { reg query "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0\\$1" /v "$2" 2>/dev/null | awk -v n="$2" '$1 == n { print $3 }'; }
mode() { stat -c '%a %U:%G' "$1" 2>/dev/null; }
tmp_regs() { find /tmp -maxdepth 1 -name 'tmp*.reg' 2>/dev/null | wc -l; }

installed_checks() {
  local step=$1 version=$2
  local status
  status=$(dpkg-query -W -f='${Status} ${Version}' panelia 2>/dev/null || true)
  [ "$status" = "install ok installed $version" ] || bad "$step: dpkg says '$status'"
  getent group panelia >/dev/null || bad "$step: no panelia group"
  [ "$(mode /var/lib/panelia)" = "2775 root:panelia" ] || bad "$step: /var/lib/panelia is $(mode /var/lib/panelia)"
  [ "$(mode /var/lib/panelia/kiosk)" = "2775 root:panelia" ] || bad "$step: kiosk folder is $(mode /var/lib/panelia/kiosk)"
  for f in kiosk/Show.dat kiosk/stop.dat HKEY_LOCAL_MACHINE.db; do
    [ "$(mode /var/lib/panelia/$f)" = "664 root:panelia" ] || bad "$step: $f is $(mode /var/lib/panelia/$f)"
  done
  [ "$(value General SoftHomeUrl)" = "file:///usr/lib/panelia/demo/index.html" ] ||
    bad "$step: home page is '$(value General SoftHomeUrl)'"
  [ "$(value Music MusicPath)" = "/usr/lib/panelia/demo/music" ] || bad "$step: music folder is '$(value Music MusicPath)'"
  grep -q '^Exec=/usr/lib/panelia/panelia-session$' /usr/share/xsessions/panelia-kiosk.desktop ||
    bad "$step: the session entry does not start /usr/lib/panelia/panelia-session"
  grep -q '^1=file:///usr/lib/panelia/demo/museum.html' /usr/lib/panelia/OpenURL.ini || bad "$step: OpenURL.ini"
  [ -x "$(grep -o '/[^ ]*panelia-session' /usr/share/xsessions/panelia-kiosk.desktop | head -1)" ] || bad "$step: session not there"
  # The kiosk account reads the settings and may not change them.
  runuser -u nobody -- env PANELIA_REGISTRY_DIR= HOME=/tmp /usr/bin/panelia-reg query \
    'HKLM\SOFTWARE\Quorvex\Panelia4.0\General' /v SoftHomeUrl >/dev/null 2>&1 || bad "$step: the kiosk account cannot read"
  if runuser -u nobody -- env PANELIA_REGISTRY_DIR=/var/lib/panelia HOME=/tmp /usr/bin/panelia-reg add \
       'HKLM\SOFTWARE\Quorvex\Panelia4.0\General' /v SoftHomeUrl /d x /f >/dev/null 2>&1; then
    bad "$step: the kiosk account could change a setting"
  fi
  [ "$(tmp_regs)" -eq "$regs_before" ] || bad "$step: a temporary .reg file was left in /tmp"
}

regs_before=$(tmp_regs)
apt install "$old"
installed_checks "install 4.4.0" 4.4.0
# The exit password is kept apart from the settings every account reads: the kiosk account asks the
# keeper and never reads the hash; an operator's new password goes there too.
keeper=/usr/lib/panelia/panelia-password
as_kiosk() { runuser -u nobody -- env HOME=/tmp "$@"; }
kept_checks() {
  local step=$1 right=$2
  [ "$(value General Password)" = '!kept-by-panelia-password' ] ||
    bad "$step: the settings hold the password '$(value General Password)'"
  [ "$(mode "$keeper")" = "2755 root:panelia-pw" ] || bad "$step: the keeper is $(mode "$keeper")"
  [ "$(mode /var/lib/panelia/exit)" = "2770 root:panelia-pw" ] || bad "$step: its folder is $(mode /var/lib/panelia/exit)"
  [ "$(mode /var/lib/panelia/exit/password)" = "640 root:panelia-pw" ] ||
    bad "$step: the kept hash is $(mode /var/lib/panelia/exit/password)"
  as_kiosk cat /var/lib/panelia/exit/password >/dev/null 2>&1 && bad "$step: the kiosk account reads the hash"
  # Not even in the store's freed space or its log: every byte the kiosk account may read.
  as_kiosk cat /var/lib/panelia/HKEY_LOCAL_MACHINE.db* | grep -qai -e '\$y\$' -e "$right" &&
    bad "$step: the password or its hash is readable in the settings' files"
  echo "$right" | as_kiosk "$keeper" check >/dev/null || bad "$step: the keeper refuses the right password"
  echo "wrong-$right" | as_kiosk "$keeper" check >/dev/null && bad "$step: the keeper takes a wrong password"
  echo "$right" | as_kiosk "$keeper" check >/dev/null || bad "$step: the right one after a wrong one"
}
kept_checks install 8888
as_kiosk "$keeper" demo || bad "install: the keeper does not know the demo's password"

# The operator changes a setting, the password and a list; an upgrade keeps them.
reg add 'HKLM\SOFTWARE\Quorvex\Panelia4.0\Advance' /v WaitTime /t REG_DWORD /d 7 /f >/dev/null
reg add 'HKLM\SOFTWARE\Quorvex\Panelia4.0\General' /v Password /d 'Harbour-42' /f >/dev/null
kept_checks "a new password" harbour-42
as_kiosk "$keeper" demo && bad "a new password: still called the demo's"
echo "file:///srv/kiosk/" >/var/lib/panelia/kiosk/Show.dat
apt install "$deb"
installed_checks "upgrade to 4.5.0" 4.5.0
kept_checks upgrade harbour-42
[ "$(value Advance WaitTime)" = "0x7" ] || bad "upgrade: the operator's WaitTime is '$(value Advance WaitTime)'"
grep -qx 'file:///srv/kiosk/' /var/lib/panelia/kiosk/Show.dat || bad "upgrade: the operator's Show.dat was replaced"

apt install --reinstall "$deb"
installed_checks "reinstall" 4.5.0
[ "$(value Advance WaitTime)" = "0x7" ] || bad "reinstall: the operator's WaitTime is '$(value Advance WaitTime)'"

apt remove panelia
[ -e /usr/lib/panelia/panelia ] && bad "remove: the programs are still there"
[ -e /usr/share/xsessions/panelia-kiosk.desktop ] && bad "remove: the session entry is still there"
[ -e /var/lib/panelia/HKEY_LOCAL_MACHINE.db ] || bad "remove: the settings went"
grep -qx 'file:///srv/kiosk/' /var/lib/panelia/kiosk/Show.dat 2>/dev/null || bad "remove: the lists went"
getent group panelia >/dev/null || bad "remove: the group went"

# Installed again over the kept settings: they are used, not replaced by the demo's.
apt install "$deb"
installed_checks "install over kept settings" 4.5.0
[ "$(value Advance WaitTime)" = "0x7" ] || bad "install again: WaitTime is '$(value Advance WaitTime)'"

apt purge panelia
[ -e /var/lib/panelia ] && bad "purge: /var/lib/panelia is still there"
[ -e /usr/lib/panelia ] && bad "purge: /usr/lib/panelia is still there"
dpkg-query -W -f='${Status}' panelia 2>/dev/null | grep -q installed && bad "purge: dpkg still lists it"
# A system group stays after a purge, as Debian's packages leave theirs: files elsewhere may carry it.
getent group panelia >/dev/null || bad "purge: the group went"

[ "$fail" -eq 0 ] && say "$(basename "$deb"): installed, upgraded from 4.4.0, reinstalled, removed and purged"

# The Ansible role's machine-wide part installs this package too, in a throwaway root.
roles=$(dirname "$(readlink -f "$0")")/../packaging/ansible/roles
set +e
"$(dirname "$0")/check_role_root.sh" "$roles" "$deb"
role=$?
set -e
[ "$role" -eq 0 ] || [ "$role" -eq 77 ] || bad "the role's machine-wide part (above)"
exit "$fail"
