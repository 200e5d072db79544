#!/usr/bin/env bash
# Writes the bundled bar pages (Style/<name>/{800x600,1024x768}.htm and BottomBtn/) from one
# button list, so every style carries the same commands and differs only in its look.
# Run it after changing the buttons or a style; the pages it writes are committed.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/data/runtime"

# keyword|label|icon|spoken name (a screen reader's; the label when empty)
buttons=(
  "paneliagoback|后退|back" "paneliagoforward|前进|forward" "paneliagohome|主页|home"
  "paneliarefresh|刷新|refresh" "paneliastop|停止|stop" "paneliascrollup|上翻|up" "paneliascrolldown|下翻|down"
  "paneliascrollleft|左移|left" "paneliascrollright|右移|right" "paneliakeyboard|键盘|keyboard"
  "paneliaprint|打印|print" "paneliauserurl=1|博物馆|star" "paneliauserurl=2|地图|star" "paneliauserurl=3|活动|star"
  "panelialargetext|大字|largetext|大字 Large text" "paneliacontrast|对比|contrast|对比 High contrast"
  "paneliareader|朗读|reader|朗读 Read aloud" "paneliaexit|退出|exit"
)

# The same buttons for an English kiosk (UiLanguage en), written to <style>/en/.
buttons_en=(
  "paneliagoback|Back|back" "paneliagoforward|Forward|forward" "paneliagohome|Home|home"
  "paneliarefresh|Reload|refresh" "paneliastop|Stop|stop" "paneliascrollup|Up|up" "paneliascrolldown|Down|down"
  "paneliascrollleft|Left|left" "paneliascrollright|Right|right" "paneliakeyboard|Keys|keyboard"
  "paneliaprint|Print|print" "paneliauserurl=1|Museum|star" "paneliauserurl=2|Map|star" "paneliauserurl=3|Events|star"
  "panelialargetext|Larger|largetext|Large text" "paneliacontrast|Contrast|contrast|High contrast"
  "paneliareader|Read|reader|Read aloud" "paneliaexit|Exit|exit"
)

icon() {
  local p
  case "$1" in
    back) p='<circle cx="16" cy="16" r="13" fill="none" stroke="currentColor" stroke-width="3"/><path d="M18 9 L11 16 L18 23" fill="none" stroke="currentColor" stroke-width="4"/>' ;;
    forward) p='<circle cx="16" cy="16" r="13" fill="none" stroke="currentColor" stroke-width="3"/><path d="M14 9 L21 16 L14 23" fill="none" stroke="currentColor" stroke-width="4"/>' ;;
    home) p='<path d="M16 5 L4 15 H8 V27 H14 V20 H18 V27 H24 V15 H28 Z"/>' ;;
    refresh) p='<path d="M16 6 A10 10 0 1 0 26 16 H22 A6 6 0 1 1 16 10 V14 L22 8 L16 2 Z"/>' ;;
    stop) p='<rect x="7" y="7" width="18" height="18" rx="3"/>' ;;
    up) p='<path d="M16 5 L27 20 H5 Z"/><rect x="12" y="19" width="8" height="8"/>' ;;
    down) p='<path d="M16 27 L27 12 H5 Z"/><rect x="12" y="5" width="8" height="8"/>' ;;
    left) p='<path d="M5 16 L20 5 V27 Z"/><rect x="19" y="12" width="8" height="8"/>' ;;
    right) p='<path d="M27 16 L12 5 V27 Z"/><rect x="5" y="12" width="8" height="8"/>' ;;
    keyboard) p='<rect x="3" y="9" width="26" height="15" rx="2"/><g fill="#fff"><rect x="6" y="12" width="3" height="3"/><rect x="11" y="12" width="3" height="3"/><rect x="16" y="12" width="3" height="3"/><rect x="21" y="12" width="3" height="3"/><rect x="8" y="18" width="16" height="3"/></g>' ;;
    print) p='<rect x="9" y="4" width="14" height="8"/><rect x="4" y="12" width="24" height="10" rx="2"/><rect x="9" y="18" width="14" height="10" fill="#fff" stroke="currentColor" stroke-width="2"/>' ;;
    star) p='<path d="M16 3 L19.5 12 L29 12.5 L21.5 18.5 L24 28 L16 22.5 L8 28 L10.5 18.5 L3 12.5 L12.5 12 Z"/>' ;;
    largetext) p='<path d="M2 28 L9.5 5 H13.5 L21 28 H16.8 L15.2 23 H7.8 L6.2 28 Z M9 19 H14 L11.5 11 Z"/><path d="M21.5 28 L25.3 16 H27.7 L31.5 28 H29 L28.2 25.3 H24.8 L24 28 Z M25.4 23 H27.6 L26.5 19.5 Z"/>' ;;
    contrast) p='<circle cx="16" cy="16" r="12" fill="none" stroke="currentColor" stroke-width="3"/><path d="M16 4 A12 12 0 0 1 16 28 Z"/>' ;;
    reader) p='<path d="M4 12 H9 L16 6 V26 L9 20 H4 Z"/><path d="M20 11 A6 6 0 0 1 20 21" fill="none" stroke="currentColor" stroke-width="2.5" stroke-linecap="round"/><path d="M23 7 A11 11 0 0 1 23 25" fill="none" stroke="currentColor" stroke-width="2.5" stroke-linecap="round"/>' ;;
    exit) p='<path d="M16 3 V15" stroke="currentColor" stroke-width="4" stroke-linecap="round"/><path d="M9 8 A10 10 0 1 0 23 8" fill="none" stroke="currentColor" stroke-width="4" stroke-linecap="round"/>' ;;
  esac
  printf '<svg viewBox="0 0 32 32" fill="currentColor" aria-hidden="true">%s</svg>' "$p"
}

style_css() {
  case "$1" in
    Flowery) cat <<'CSS'
body { background: linear-gradient(#ffd6e7, #ffb38a); }
a { color: #8a1c4a; background: radial-gradient(circle at 50% 35%, #fff, #ffe3ef 60%, #ffc2d9);
    border: 2px dashed #e9689b; border-radius: 22px; }
a:active { background: #ff9ec2; }
CSS
    ;;
    BlueCrystal) cat <<'CSS'
body { background: linear-gradient(#0b2a55, #163f7a); }
a { color: #e8f4ff; border-radius: 10px; border: 1px solid #7fb6ff;
    background: linear-gradient(rgba(255,255,255,.45), rgba(255,255,255,.08) 50%, rgba(40,110,220,.6) 51%, rgba(20,70,160,.9)); }
a:active { background: #3d8bff; }
CSS
    ;;
    FreshGreen) cat <<'CSS'
body { background: linear-gradient(#f3ffe8, #c8efa8); }
a { color: #1f5f1a; background: linear-gradient(#ffffff, #dff7c9); border: 2px solid #6cbf4a;
    border-radius: 0 24px 0 24px; }
a:active { background: #9be07a; }
CSS
    ;;
    User) cat <<'CSS'
/* The operator's own look: change colours and shapes here, keep the links. */
body { background: #e9ecef; }
a { color: #222; background: #fff; border: 1px solid #adb5bd; border-radius: 4px; }
a:active { background: #ced4da; }
CSS
    ;;
    BottomBtn) cat <<'CSS'
body { background: #d9d9d9; }
a { color: #000; background: #f2f2f2; border: 2px outset #fff; }
a:active { border-style: inset; }
CSS
    ;;
  esac
}

page() {  # style width [en]
  local style=$1 width=$2 language=${3:-zh} button_width icon_size font lang=zh-CN title="Panelia 按钮栏" bar="按钮栏"
  local -a list=("${buttons[@]}")
  if [ "$language" = en ]; then list=("${buttons_en[@]}"); lang=en; title="Panelia button bar"; bar="Button bar"; fi
  if [ "$width" = 800 ]; then button_width=51; icon_size=28; font=12; else button_width=66; icon_size=32; font=14; fi
  cat <<HTML
<!DOCTYPE html>
<html lang="$lang"><head><meta charset="utf-8"><title>$title</title>
<style>
html, body { margin: 0; height: 80px; overflow: hidden; }
body { font-family: "WenQuanYi Micro Hei", "Noto Sans CJK SC", sans-serif; -webkit-user-select: none; }
nav { height: 80px; box-sizing: border-box; display: flex; align-items: center; justify-content: center; gap: 2px;
      padding: 0 2px; }
a { box-sizing: border-box; flex: 1 1 0; min-width: 0; max-width: ${button_width}px; height: 74px; display: flex; flex-direction: column;
    align-items: center; justify-content: center; text-decoration: none; font-size: ${font}px; }
a svg { width: ${icon_size}px; height: ${icon_size}px; margin-bottom: 3px; }
$(style_css "$style")
</style></head>
<body scroll="no"><nav aria-label="$bar">
HTML
  local b keyword label name spoken
  for b in "${list[@]}"; do
    IFS='|' read -r keyword label name spoken <<<"$b"
    if [ -n "$spoken" ]; then
      printf '<a href="%s" aria-label="%s">%s<span>%s</span></a>\n' "$keyword" "$spoken" "$(icon "$name")" "$label"
    else
      printf '<a href="%s">%s<span>%s</span></a>\n' "$keyword" "$(icon "$name")" "$label"
    fi
  done
  printf '</nav></body></html>\n'
}

for style in Flowery BlueCrystal FreshGreen User BottomBtn; do
  folder="$out/Style/$style"
  [ "$style" = BottomBtn ] && folder="$out/BottomBtn"
  mkdir -p "$folder/en"
  for width in 800 1024; do
    name="$([ "$width" = 800 ] && echo 800x600 || echo 1024x768).htm"
    page "$style" "$width" > "$folder/$name"
    page "$style" "$width" en > "$folder/en/$name"
  done
done
echo "bar pages written below $out"
