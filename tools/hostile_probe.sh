#!/usr/bin/env bash
# Tries the game against hostile files, sources, models and signals, each case in a
# process of its own, and prints a Markdown table: survived or not, peak resident
# memory, the longest time the window did not answer, and the messages shown.
#   tools/hostile_probe.sh BUILD_DIR
set -uo pipefail
build=$(cd "${1:?usage: hostile_probe.sh BUILD_DIR}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
probe=$build/tools/glimmo2-probe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SDL_AUDIODRIVER=dummy
"$build/tools/irisdet-lab" face-video "$top/tests/data/faces/pexels_0002.png" "$work/face.avi" --frames 300 >/dev/null
model=/usr/share/dlib/shape_predictor_68_face_landmarks.dat

# A PNG whose header claims 32000 x 32000 pixels, and a BMP that does the same.
png_bomb() { printf '\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x7d\0\0\0\x7d\0\x08\x02\0\0\0CRC!'; head -c 1000000 /dev/zero; }
bmp_bomb() { printf 'BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\0\x7d\0\0\0\x7d\0\0\x01\0\x18\0'; head -c 1000000 /dev/zero; }
# A short WAV that claims a rate of 1 Hz.
wav_1hz() { printf 'RIFF\x24\x10\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\x01\0\0\0\x04\0\0\0\x04\0\x10\0data\0\x10\0\0'; head -c 4096 /dev/zero; }

row() {  # name, then the command's output file and status
  local name=$1 out=$2 status=$3 survived messages
  if [ "$status" -eq 0 ] && grep -q '^survived: yes' "$out"; then survived=yes
  elif [ "$status" -eq 124 ]; then survived="no (hung)"
  else survived="no (exit $status)"; fi
  messages=$(sed -n 's/^message: //p' "$out" | sort -u | paste -sd'|' | sed 's/|/; /g')
  printf '| %s | %s | %s | %s | %s |\n' "$name" "$survived" \
    "$(sed -n 's/^peak resident: \(.*\) MiB/\1 MB/p' "$out")" "$(sed -n 's/^longest stall: //p' "$out")" "${messages:-none}"
}

play() {  # name, then what to set up in the case's folder (a shell snippet), then the probe's
  # options; env from the caller
  local name=$1 setup=$2 dir
  shift 2
  dir=$(mktemp -d "$work/case.XXXX")
  cp "$top"/data/*.wav "$top"/data/*.bmp "$dir"
  (cd "$dir" && eval "$setup")
  (cd "$dir" && timeout 30 "$probe" hostile "$@" >"$dir/out" 2>/dev/null)
  row "$name" "$dir/out" $?
}

echo "| Case | Survived | Peak memory | Longest stall | Message shown |"
echo "| --- | --- | --- | --- | --- |"
export IRISDET_SOURCE=$work/face.avi
play "ordinary files, a face video" ":"
play "start1.wav a symlink to /dev/zero" "ln -sf /dev/zero start1.wav"
play "start1.wav and eureka0..4.wav FIFOs" "rm -f start1.wav eureka?.wav; mkfifo start1.wav eureka0.wav eureka1.wav eureka2.wav eureka3.wav eureka4.wav"
play "every sound a 1 Hz WAV" "for f in *.wav; do wav_1hz >\$f; done"
play "dibuix0..4.bmp FIFOs" "rm -f dibuix?.bmp; for i in 0 1 2 3 4; do mkfifo dibuix\$i.bmp; done"
play "dibuix0..4.bmp claim 32000x32000" "for i in 0 1 2 3 4; do bmp_bomb >dibuix\$i.bmp; done"
play "dibuix0..4.bmp symlinks to /dev/zero" "for i in 0 1 2 3 4; do ln -sf /dev/zero dibuix\$i.bmp; done"
# A camera as slow to open as a real webcam: every open of the face video takes 1.5 s.
LD_PRELOAD=$build/tools/libslow_open.so SLOW_OPEN_PATH=$work/face.avi SLOW_OPEN_MS=1500 \
  play "a camera that takes 1.5 s to open (the face video, slowed)" ":"

mkfifo "$work/fifo.avi"
mkdir -p "$work/loop" "$work/bomb" "$work/bombseq"
ln -sf loop.png "$work/loop/loop.png"; cp "$top/tests/data/faces/pexels_0002.png" "$work/loop/face.png"
png_bomb >"$work/bomb/face.png"; png_bomb >"$work/bombseq/0000.png"
for source in "$work/fifo.avi" "http://127.0.0.1:9/camera.avi" /dev/zero "$work/loop" "$work/bomb" "$work/bombseq/%04d.png" \
              "$work/bombseq/%s%n.png" "camera:7"; do
  IRISDET_SOURCE=$source play "IRISDET_SOURCE=${source/#$work\//}" ":"
done

"$probe" hostile --write-model 0 "$work/zero-parts.dat"
head -c $(($(stat -c %s "$model") * 99 / 100)) "$model" >"$work/cut99.dat"
"$probe" hostile --write-model 5 "$work/five-parts.dat"
: >"$work/empty.dat"; head -c 1000000 /dev/urandom >"$work/random.dat"; head -c 1000000 "$model" >"$work/truncated.dat"
mkfifo "$work/fifo.dat"
for m in "$work/zero-parts.dat" "$work/five-parts.dat" "$work/empty.dat" "$work/random.dat" "$work/truncated.dat" \
         "$work/cut99.dat" "$work/fifo.dat" /dev/zero "$work/missing.dat"; do
  IRISDET_MODEL=$m play "IRISDET_MODEL=${m/#$work\//}" ":"
done

# The neural face finder's model: missing, random bytes, cut in half, the near model named
# as the far one, a FIFO. The HOG search then finds the faces alone.
faces=$top/data/models/blazeface
near=face_detection_front_128x128_barracuda.onnx far=face_detection_back_256x256_barracuda.onnx
mkdir -p "$work/finder-missing" "$work/finder-random" "$work/finder-cut" "$work/finder-swapped" "$work/finder-fifo"
head -c 600000 /dev/urandom >"$work/finder-random/$far"; cp "$faces/$near" "$work/finder-random/"
head -c 300000 "$faces/$far" >"$work/finder-cut/$far"; cp "$faces/$near" "$work/finder-cut/"
cp "$faces/$near" "$work/finder-swapped/$far"; cp "$faces/$near" "$work/finder-swapped/"
mkfifo "$work/finder-fifo/$far"; cp "$faces/$near" "$work/finder-fifo/"
for f in finder-missing finder-random finder-cut finder-swapped finder-fifo; do
  IRISDET_FACE_FINDER=$work/$f play "IRISDET_FACE_FINDER=$f" ":"
done

# A stop, "Sortir", Esc or the close box 150 ms after "Activa", while the model is still
# being read: the real one, and one cut at 99%, which fails only at its end.
for m in "$model" "$work/cut99.dat"; do
  for way in stop sortir esc close; do
    IRISDET_MODEL=$m play "$way 150 ms after Activa, IRISDET_MODEL=${m/#$work\//} still read" ":" --quick $way
  done
done

# Ctrl+C and kill, once a game has played sound: the window closes as "Sortir" does.
for signal in INT TERM; do
  dir=$(mktemp -d "$work/case.XXXX"); cp "$top"/data/*.wav "$top"/data/*.bmp "$dir"
  (cd "$dir" && exec "$probe" hostile --until-signal >"$dir/out" 2>/dev/null) & pid=$!
  sleep 5; start=$(date +%s%N); kill -s $signal $pid; wait $pid; status=$?; end=$(date +%s%N)
  row "SIG$signal during a game, after sound (exit $status in $(( (end - start) / 1000000 )) ms)" "$dir/out" $status
done
