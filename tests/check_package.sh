#!/usr/bin/env bash
# Builds the Debian package from a build tree and checks what it holds and what it depends on.
#   check_package.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/*.deb)
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
# Names may hold spaces; links end in " -> target".
files=$(dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); sub(/ -> .*/, ""); print }')
fail=0
expect_file() {
  if ! grep -qx -- "$1" <<<"$files"; then echo "package: missing $1"; fail=1; fi
}
for program in panelia sonavelle glyphdeck panelia-config panelia-reg panelia-send panelia-session; do
  expect_file ".$prefix/lib/panelia/$program"
done
for f in openbox-kiosk.xml default-settings.reg OpenURL.ini res/140.png res/glyphdeck/213.png res/sonavelle/128.png \
         Style/Flowery/1024x768.htm demo/index.html "demo/music/01 清晨.mp3" kiosk-template/Show.dat; do
  expect_file ".$prefix/lib/panelia/$f"
done
expect_file ".$prefix/share/xsessions/panelia-kiosk.desktop"
expect_file ".$prefix/bin/panelia"
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libgtk-3-0 libwebkit2gtk-4.1-0 libgstreamer1.0-0 libsqlite3-0 libibus-1.0-5 libxtst6 openbox \
           gstreamer1.0-plugins-good; do
  if ! grep -q "$dep" <<<"$depends"; then echo "package: no dependency on $dep ($depends)"; fail=1; fi
done
control=$(dpkg-deb -I "$deb")
for script in postinst postrm; do
  if ! grep -q " $script" <<<"$control"; then echo "package: no $script"; fail=1; fi
done
if ! grep -q "Exec=$prefix/lib/panelia/panelia-session" < <(dpkg-deb --fsys-tarfile "$deb" | tar -xO ".$prefix/share/xsessions/panelia-kiosk.desktop"); then
  echo "package: the session entry does not start the installed session"; fail=1
fi
[ "$fail" -eq 0 ] && echo "package: $(basename "$deb") holds $(wc -l <<<"$files") entries; depends on: $depends"
exit "$fail"
