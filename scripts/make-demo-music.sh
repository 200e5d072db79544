#!/usr/bin/env bash
# Writes the demo kiosk's music: a few seconds of tones each, MP3 with an ID3v2 title, so a newcomer
# hears the music follow the pages. Run it after changing a tone; the files it writes are committed.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/data/runtime/demo/music"
mkdir -p "$out"
# name|frequency in Hz|seconds|waveform (0 sine, 3 triangle)
tones=("01 清晨.mp3|523|6|0" "02 Afternoon.mp3|659|6|3" "03 傍晚.mp3|392|6|0")
for tone in "${tones[@]}"; do
  IFS='|' read -r name freq seconds wave <<<"$tone"
  buffers=$((seconds * 44100 / 1024))
  gst-launch-1.0 -q audiotestsrc num-buffers="$buffers" samplesperbuffer=1024 freq="$freq" wave="$wave" volume=0.3 \
    ! audio/x-raw,rate=44100,channels=2 ! audioconvert ! lamemp3enc target=bitrate bitrate=64 \
    ! id3v2mux ! filesink location="$out/$name"
  echo "make-demo-music: $out/$name"
done
