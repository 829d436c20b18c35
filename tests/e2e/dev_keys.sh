#!/usr/bin/env bash
# The authoring mode in an X window, read from the title: Space pauses and resumes, Right seeks 5 s,
# Home restarts from 0, Escape quits with status 0; --start begins at that time.
# Args: TAMARACK_BIN SOURCE_DIR XCLOSE_BIN
set -u
show=$(mktemp -d)
trap 'rm -rf "$show"' EXIT
mkdir -p "$show/data"
printf '@sync\n0 track 1 type 1 duration 60.0 opacity 0 to 1\n' >"$show/data/script.txt"

cat >"$show/drive.sh" <<'INNER'
set -u
bin=$1 show=$2
fail() { echo "FAIL: $*"; kill "$pid" 2>/dev/null; exit 1; }
open() { # the dev mode with extra arguments, and its window
  (cd "$show" && SDL_AUDIODRIVER=dummy exec "$bin" --dev "$@") &
  pid=$!
  wid=$(timeout 10 xdotool search --sync --name '^Tamarack' | head -1)
  [ -n "$wid" ] || fail "no window captioned Tamarack ($*)"
  xdotool windowfocus --sync "$wid"
  # Under load the first frames come late: wait up to 30 s for the time in the title.
  for _ in $(seq 300); do
    [[ "$(xdotool getwindowname "$wid")" =~ [0-9]\ fps$ ]] && break
    sleep 0.1
  done
  first=$(show_ms) || fail "$first"
  sleep 1
}
# The show time in ms from the title "Tamarack - 12.34 s - 60 fps", which
# ends in " - paused" exactly while the show is paused ($paused: "" or " - paused").
paused=""
show_ms() {
  local t
  t=$(xdotool getwindowname "$wid")
  [[ "$t" =~ ^Tamarack\ -\ ([0-9]+)\.([0-9]{2})\ s\ -\ [0-9]+\ fps(\ -\ paused)?$ ]] || fail "title '$t'"
  [ "${BASH_REMATCH[3]}" = "$paused" ] || fail "title '$t' while paused='$paused'"
  echo $((10#${BASH_REMATCH[1]} * 1000 + 10#${BASH_REMATCH[2]} * 10))
}
# Presses key $1, waits $2 s and checks that the time lies in [$3, $4].
press() {
  [ "$1" = - ] || xdotool key "$1"
  sleep "$2"
  now=$(show_ms)
  [ "$now" -ge "$3" ] && [ "$now" -le "$4" ] || fail "$5: $now ms, expected $3 to $4"
}

open
press - 0 $((first + 300)) $((first + 5000)) "the clock does not run"
paused=" - paused"
press space 0.6 0 99999 "Space"
press - 1 "$now" "$now" "Space did not hold the clock"
# The title shows hundredths of a second, rounded: allow one hundredth either way.
press Right 0.6 $((now + 4990)) $((now + 5010)) "Right while paused did not go 5 s forward"
paused=""
press space 1 $((now + 500)) $((now + 2500)) "Space did not resume the clock"
press Home 0.5 0 1200 "Home did not restart from 0"
xdotool key Escape
for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
kill -0 "$pid" 2>/dev/null && fail "Escape did not end the show within two seconds"
wait "$pid" || fail "Escape ended the show with status $?"

open --start 12
[ "$first" -ge 12000 ] || fail "--start 12 began at $first ms"
press - 0 $((first + 300)) 17000 "--start 12 did not begin at 12 s"
xdotool key Escape
wait "$pid"
echo "dev keys: ok"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$show/drive.sh" "$1" "$show"
