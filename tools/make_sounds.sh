#!/usr/bin/env bash
# Makes the game's sounds into data/: the beep, the eight Catalan direction cues and
# five eureka sounds. Needs espeak-ng and sox (Debian packages of those names); its
# output is committed, so playing the game needs neither.
set -euo pipefail
out="${1:-$(dirname "$0")/../data}"
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fmt=(-r 22050 -c 1 -b 16)

# A short, clean beep: 30 ms at 1 kHz with soft edges, so 40 ms ticks stay apart.
sox -n "${fmt[@]}" "$out/start1.wav" synth 0.030 sine 1000 fade q 0.004 0.030 0.006 vol 0.6

say() {  # file, text: spoken Catalan, trimmed of silence, brisk
  espeak-ng -v ca -s 190 -w "$tmp/raw.wav" "$2"
  sox "$tmp/raw.wav" "${fmt[@]}" "$1" silence 1 0.01 0.5% reverse silence 1 0.01 0.5% reverse norm -2
}
say "$out/e.wav" "esquerra"
say "$out/d.wav" "dreta"
say "$out/a.wav" "amunt"
say "$out/av.wav" "avall"
say "$out/me.wav" "una mica a l'esquerra"
say "$out/md.wav" "una mica a la dreta"
say "$out/ma.wav" "una mica amunt"
say "$out/mav.wav" "una mica avall"

chime() {  # file, base frequency: three rising notes
  local f=$1 base=$2
  sox -n "${fmt[@]}" "$tmp/n1.wav" synth 0.09 sine "$base" fade q 0.005 0.09 0.04
  sox -n "${fmt[@]}" "$tmp/n2.wav" synth 0.09 sine "$(echo "$base*5/4" | bc -l)" fade q 0.005 0.09 0.04
  sox -n "${fmt[@]}" "$tmp/n3.wav" synth 0.22 sine "$(echo "$base*3/2" | bc -l)" fade q 0.005 0.22 0.15
  sox "$tmp/n1.wav" "$tmp/n2.wav" "$tmp/n3.wav" "$f" vol 0.5
}
n=0
for pair in "Eureka!:660" "Molt bé!:587" "L'has trobat!:523" "Fantàstic!:698" "Bravo!:784"; do
  chime "$tmp/chime.wav" "${pair##*:}"
  say "$tmp/word.wav" "${pair%%:*}"
  sox "$tmp/chime.wav" "$tmp/word.wav" "$out/eureka$n.wav"
  n=$((n + 1))
done
