#!/usr/bin/env bash
# Prints the game's start-up time, its idle CPU use and, during a game fed by a 30 fps
# face video, the CPU use of each of its threads. Needs xvfb-run and xdotool.
#   tools/perf_probe.sh BUILD_DIR FACE_VIDEO
set -euo pipefail
# Runs itself again inside a virtual X server.
[ -z "${DISPLAY:-}" ] && exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
build=$(realpath "$1")
video=$(realpath "$2")
game="$build/app/glimmo2"
cd "$(dirname "$0")/../data"
export SDL_AUDIODRIVER=dummy
ticks=$(getconf CLK_TCK)

cpu_ticks() {  # pid [tid]: user + system ticks
  local stat="/proc/$1/stat"
  [ -n "${2:-}" ] && stat="/proc/$1/task/$2/stat"
  awk '{print $14 + $15}' "$stat"
}

inside_x() {
  # Start-up: from launching the process to the window being shown, 10 runs.
  local times=()
  for i in $(seq 10); do
    local start=$(date +%s%N)
    "$game" >/dev/null 2>&1 &
    local pid=$!
    until xdotool search --onlyvisible --name '^Tebiol$' >/dev/null 2>&1; do sleep 0.005; done
    times+=($(( ($(date +%s%N) - start) / 1000000 )))
    kill $pid; wait $pid 2>/dev/null || true
  done
  echo "start-up to window shown (ms), 10 runs: ${times[*]}"
  echo "start-up median: $(printf '%s\n' "${times[@]}" | sort -n | sed -n 5,6p | paste -sd+ | bc | awk '{print $1/2}') ms"

  # Idle: the window open, nothing played, over 10 s.
  "$game" >/dev/null 2>&1 &
  local pid=$!
  sleep 2
  local before=$(cpu_ticks $pid)
  sleep 10
  echo "idle CPU over 10 s: $(echo "scale=2; 100 * ($(cpu_ticks $pid) - $before) / ($ticks * 10)" | bc)% of one core"
  kill $pid; wait $pid 2>/dev/null || true

  # A game in beep mode fed by the video, over 10 s, thread by thread.
  IRISDET_SOURCE="$video" "$game" >/dev/null 2>&1 &
  pid=$!
  sleep 1.5
  local wid=$(xdotool search --onlyvisible --name '^Tebiol$' | head -1)
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  xdotool mousemove $((X + 181)) $((Y + 518)) click 1   # Detector
  xdotool mousemove $((X + 423)) $((Y + 515)) click 1   # Activa
  sleep 3
  declare -A start
  for task in /proc/$pid/task/*; do start[$(basename "$task")]=$(cpu_ticks $pid "$(basename "$task")"); done
  local total=$(cpu_ticks $pid)
  sleep 10
  echo "during a game (10 s, 30 fps video): whole process $(echo "scale=1; 100 * ($(cpu_ticks $pid) - $total) / ($ticks * 10)" | bc)% of one core"
  for tid in "${!start[@]}"; do
    [ -e "/proc/$pid/task/$tid" ] || continue
    local used=$(( $(cpu_ticks $pid "$tid") - ${start[$tid]} ))
    [ "$used" -gt 0 ] && echo "  thread $(cat /proc/$pid/task/$tid/comm): $(echo "scale=1; 100 * $used / ($ticks * 10)" | bc)%"
  done
  kill $pid; wait $pid 2>/dev/null || true
}

inside_x
