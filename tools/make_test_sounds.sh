#!/usr/bin/env bash
# Makes the sound tests' WAVE files into tests/data/sounds: one loud tone (300 Hz, at
# 0.6 of full scale, louder than the game's default beep) in each encoding the mixer
# decodes, and one it does not (GSM 6.10). Needs sox; the output is committed.
set -euo pipefail
out="${1:-$(dirname "$0")/../tests/data/sounds}"
mkdir -p "$out"
tone() {  # encoding, file
  sox -n -r 8000 -c 1 -e "$1" "$out/$2" synth 0.3 sine 300 vol 0.6
}
tone ima-adpcm ima-adpcm.wav
tone ms-adpcm ms-adpcm.wav
tone mu-law mu-law.wav
tone a-law a-law.wav
tone gsm-full-rate gsm.wav
