#!/usr/bin/env bash
# Draws Panelia's start-up picture and the companions' pictures (res/sonavelle/, res/glyphdeck/) with ImageMagick. Run it after
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
  -define png:bit-depth=8 -define png:exclude-chunks=date,time "$res/sonavelle/128.png"
echo "make-pictures: $res/sonavelle/128.png"

# Panelia's picture 140: the start-up picture, which the about box shows too, so it names the
# program and its version rather than saying that it is starting.
convert -size 240x480 'gradient:#1d4f8f-#3d9ad6' -rotate 90 -flop \
  -font /usr/share/fonts/truetype/wqy/wqy-microhei.ttc -fill white -gravity center \
  -pointsize 40 -annotate +0-22 'Panelia' -pointsize 20 -annotate +0+34 '触摸屏浏览器 4.5' \
  -define png:bit-depth=8 -define png:exclude-chunks=date,time "$res/140.png"
echo "make-pictures: $res/140.png"

# Glyphdeck's key pictures, numbered as the key table names them, at their own pixel sizes. The
# corners are RGB(230,230,230), which the keyboard draws as the key face.
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
out="$res/glyphdeck"
mkdir -p "$out"
corner='rgb(230,230,230)'
face='#3d7fd1'    # resting keys
lit='#34c6d9'     # lit Caps and Shift, and the accent keys
edge='#1d4f8f'

# picture number, width, height, colour, then either "pair TOP BOTTOM" or "one LEGEND POINTSIZE"
key() {
  local n=$1 w=$2 h=$3 colour=$4 kind=$5
  local args=(-size "${w}x${h}" "xc:$corner"
    -fill "$edge" -draw "roundrectangle 1,1 $((w - 2)),$((h - 2)) 10,10"
    -fill "$colour" -draw "roundrectangle 2,2 $((w - 3)),$((h - 5)) 9,9"
    -fill black -font "$font")
  if [ "$kind" = pair ]; then
    args+=(-pointsize 17 -gravity NorthWest -annotate +10+5 "$6" -pointsize 22 -gravity SouthEast -annotate +11+7 "$7")
  else
    args+=(-pointsize "$7" -gravity Center -annotate +0-1 "$6")
  fi
  convert "${args[@]}" -type TrueColor -define png:bit-depth=8 -define png:exclude-chunks=date,time -define png:color-type=2 "$out/$n.png"
}

# "number top bottom"; ImageMagick reads "%%" as "%" and "\\\\" as a backslash.
pairs=('143 ! 1' '144 @ 2' '145 # 3' '146 $ 4' '147 %% 5' '148 ^ 6' '149 & 7' '150 * 8' '151 ( 9' '142 ) 0'
  '153 _ -' '152 + =' '170 { [' '178 } ]' '162 : ;' '159 < ,' '158 > .' '171 ? /' '179 | \\' '129 ~ `')
for p in "${pairs[@]}"; do
  read -r n top bottom <<<"$p"
  key "$n" 58 58 "$face" pair "$top" "$bottom"
done
letters=("176|Q" "186|W" "160|E" "177|R" "182|T" "188|Y" "183|U" "166|I" "174|O" "175|P" "154|A" "180|S"
  "157|D" "161|F" "163|G" "164|H" "167|J" "168|K" "169|L" "189|Z" "187|X" "156|C" "185|V" "155|B" "173|N"
  "172|M")
for p in "${letters[@]}"; do
  IFS='|' read -r n letter <<<"$p"
  key "$n" 58 58 "$face" one "$letter" 28
done
for p in "197|@" "198|-" "199|+" "200|=" "201|<" "202|>" "203|?"; do
  IFS='|' read -r n legend <<<"$p"
  key "$n" 58 58 "$lit" one "$legend" 28
done
key 190 88 58 "$face" one "←" 30
key 191 88 58 "$face" one "Tab" 20
key 195 101 58 "$face" one "Enter" 20
key 210 101 58 "$face" one "Caps" 20
key 209 101 58 "$lit" one "Caps ●" 20
key 212 88 58 "$face" one "Shift" 20
key 211 88 58 "$lit" one "Shift ●" 18
key 196 300 58 "$face" one "空格 Space" 18
key 204 88 58 "$lit" one "Http://" 17
key 214 69 25 "$face" one "英文输入法" 12
key 213 69 25 "$lit" one "中文输入法" 12

# 208: the four-way arrow that says the window can be moved.
convert -size 28x28 "xc:$corner" -fill '#404040' \
  -draw 'polygon 14,1 19,7 16,7 16,12 21,12 21,9 27,14 21,19 21,16 16,16 16,21 19,21 14,27 9,21 12,21 12,16 7,16 7,19 1,14 7,9 7,12 12,12 12,7 9,7' \
  -type TrueColor -define png:bit-depth=8 -define png:exclude-chunks=date,time -define png:color-type=2 "$out/208.png"

# Glyphdeck's icon 128: a small keyboard on a tile.
convert -size 64x64 xc:none \
  -fill '#2d6fbf' -draw 'roundrectangle 2,2 61,61 12,12' \
  -fill white -draw 'roundrectangle 9,18 54,46 4,4' -fill '#2d6fbf' \
  -draw 'rectangle 13,22 18,27' -draw 'rectangle 21,22 26,27' -draw 'rectangle 29,22 34,27' \
  -draw 'rectangle 37,22 42,27' -draw 'rectangle 45,22 50,27' -draw 'rectangle 13,30 18,35' \
  -draw 'rectangle 21,30 26,35' -draw 'rectangle 29,30 34,35' -draw 'rectangle 37,30 42,35' \
  -draw 'rectangle 45,30 50,35' -draw 'rectangle 19,38 44,42' \
  -define png:bit-depth=8 -define png:exclude-chunks=date,time "$out/128.png"
echo "make-pictures: $(ls "$out" | wc -l) pictures in $out"

# A preview of each bundled bar style, for the settings program's style list.
mkdir -p "$res/styles"
preview() {
  local name=$1 top=$2 bottom=$3 face=$4 border=$5 ink=$6 radius=$7
  local args=(-size 240x56 "gradient:$top-$bottom" -font "$font" -pointsize 15)
  local x
  for x in 8 86 164; do
    args+=(-fill "$face" -stroke "$border" -strokewidth 2
      -draw "roundrectangle $x,8 $((x + 68)),47 $radius,$radius" -stroke none)
  done
  args+=(-fill "$ink" -annotate +27+34 "主页" -annotate +105+34 "后退" -annotate +183+34 "退出")
  convert "${args[@]}" -define png:bit-depth=8 -define png:exclude-chunks=date,time "$res/styles/$name.png"
}
preview Flowery '#ffd6e7' '#ffb38a' '#ffe3ef' '#e9689b' '#8a1c4a' 16
preview BlueCrystal '#0b2a55' '#163f7a' '#3d7fd1' '#7fb6ff' '#e8f4ff' 8
preview FreshGreen '#f3ffe8' '#c8efa8' '#eefbe3' '#6cbf4a' '#1f5f1a' 4
preview User '#e9ecef' '#e9ecef' '#ffffff' '#adb5bd' '#222222' 4
echo "make-pictures: style previews in $res/styles"
