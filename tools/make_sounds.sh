#!/usr/bin/env bash
# Makes the game's sounds into data/: the beep, the eight Catalan direction cues and
# five eureka sounds. The words are spoken by Ona, the natural Catalan voice of
# Festival (Debian: festival festival-ca festvox-ca-ona-hts), or by espeak-ng where Ona
# is not installed; sox shapes them. The output is committed, so playing the game needs
# none of them.
set -euo pipefail
out="${1:-$(dirname "$0")/../data}"
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fmt=(-r 22050 -c 1 -b 16)

# A short, clean beep: 30 ms at 1 kHz with soft edges, so 40 ms ticks stay apart.
sox -n "${fmt[@]}" "$out/start1.wav" synth 0.030 sine 1000 fade q 0.004 0.030 0.006 vol 0.6

# Ona speaks at a calm pace: a quarter quicker (sox's tempo keeps her pitch), the longest
# cue, "una mica a l'esquerra", takes 1.12 s instead of 1.40.
if command -v text2wave >/dev/null && [ -d /usr/share/festival/voices/catalan/upc_ca_ona_hts ]; then
  voice=ona
  brisk=(tempo -s 1.25)
else
  voice=espeak-ng
  brisk=()
  echo "make_sounds: Ona (festvox-ca-ona-hts) is not installed: the words are spoken by espeak-ng" >&2
fi

speak() {  # text, into $tmp/raw.wav
  if [ "$voice" = ona ]; then
    printf '%s' "$1" | iconv -f UTF-8 -t ISO-8859-15 >"$tmp/text.txt"  # Festival reads Latin-9
    text2wave -eval "(voice_upc_ca_ona_hts)" -o "$tmp/raw.wav" "$tmp/text.txt"
  else
    espeak-ng -v ca -s 190 -w "$tmp/raw.wav" "$1"
  fi
}

say() {  # file, text: spoken Catalan, its silences trimmed (at a level set by its own
  # loudest, so a breath before a word goes too), brisk, and as loud as every other word
  speak "$2"
  sox "$tmp/raw.wav" "$tmp/loud.wav" norm -2
  sox "$tmp/loud.wav" "${fmt[@]}" "$1" silence 1 0.01 1% reverse silence 1 0.01 1% reverse ${brisk[@]+"${brisk[@]}"} norm -2
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
  sox -n "${fmt[@]}" "$tmp/n2.wav" synth 0.09 sine "$(awk -v b="$base" 'BEGIN { print b * 5 / 4 }')" fade q 0.005 0.09 0.04
  sox -n "${fmt[@]}" "$tmp/n3.wav" synth 0.22 sine "$(awk -v b="$base" 'BEGIN { print b * 3 / 2 }')" fade q 0.005 0.22 0.15
  sox "$tmp/n1.wav" "$tmp/n2.wav" "$tmp/n3.wav" "$f" vol 0.5
}
n=0
for pair in "Eureka!:660" "Molt bé!:587" "L'has trobat!:523" "Fantàstic!:698" "Bravo!:784"; do
  chime "$tmp/chime.wav" "${pair##*:}"
  say "$tmp/word.wav" "${pair%%:*}"
  sox "$tmp/chime.wav" "$tmp/word.wav" "$out/eureka$n.wav"
  n=$((n + 1))
done
