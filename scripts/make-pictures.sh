#!/usr/bin/env bash
# Draws the companions' pictures (res/sonavelle/, res/glyphdeck/) with ImageMagick. Run it after
# changing a picture; the files it writes are committed.
set -euo pipefail
res="$(cd "$(dirname "$0")/.." && pwd)/data/runtime/res"

# Sonavelle's icon 128: a pair of quavers on a round blue tile.
mkdir -p "$res/sonavelle"
convert -size 64x64 xc:none \
  -fill '#1f5fa8' -draw 'roundrectangle 2,2 61,61 12,12' \
  -fill '#3f86d6' -draw 'roundrectangle 4,4 59,40 10,10' \
  -fill white -stroke white -strokewidth 1 \
  -draw 'ellipse 21,45 8,6 0,360' -draw 'ellipse 45,41 8,6 0,360' \
  -draw 'rectangle 27,14 31,45' -draw 'rectangle 51,10 55,41' \
  -draw 'polygon 27,14 55,8 55,16 27,22' \
  -define png:bit-depth=8 "$res/sonavelle/128.png"
echo "make-pictures: $res/sonavelle/128.png"
