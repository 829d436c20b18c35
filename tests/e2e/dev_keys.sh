#!/usr/bin/env bash
# The authoring mode in a real X window: Space pauses and resumes, Right seeks
# 5 s forward, Home restarts from 0, all read from the window title; Escape
# still quits with status 0. Args: TAMARACK_BIN SOURCE_DIR XCLOSE_BIN
set -u
bin=$1
show=$(mktemp -d)
trap 'rm -rf "$show"' EXIT
mkdir -p "$show/data"
printf '@sync\n0 track 1 type 1 duration 60.0 opacity 0 to 1\n' >"$show/data/script.txt"

cat >"$show/drive.sh" <<'INNER'
set -u
bin=$1 show=$2
fail() { echo "FAIL: $*"; kill "$pid" 2>/dev/null; exit 1; }
# The show time in ms from the title "Tamarack - 12.34 s - 60 fps".
show_ms() {
  local t
  t=$(xdotool getwindowname "$wid")
  [[ "$t" =~ ^Tamarack\ -\ ([0-9]+)\.([0-9]{2})\ s\ -\ [0-9]+\ fps$ ]] || fail "title '$t'"
  echo $((10#${BASH_REMATCH[1]} * 1000 + 10#${BASH_REMATCH[2]} * 10))
}
# Asserts that $1 lies in [$2, $3].
within() { [ "$1" -ge "$2" ] && [ "$1" -le "$3" ] || fail "$4: $1 ms, expected $2 to $3"; }

(cd "$show" && SDL_AUDIODRIVER=dummy exec "$bin" --dev) &
pid=$!
wid=$(timeout 10 xdotool search --sync --name '^Tamarack' | head -1)
[ -n "$wid" ] || fail "no window captioned Tamarack"
xdotool windowfocus --sync "$wid"
sleep 1
a=$(show_ms)
within "$a" 300 5000 "the clock does not run"

xdotool key space
sleep 0.6
b=$(show_ms)
sleep 1
c=$(show_ms)
[ "$b" -eq "$c" ] || fail "Space did not hold the clock ($b then $c ms)"

xdotool key Right
sleep 0.6
d=$(show_ms)
[ "$d" -eq $((c + 5000)) ] || fail "Right while paused went from $c to $d ms, not 5 s forward"

xdotool key space
sleep 1
e=$(show_ms)
within "$e" $((d + 500)) $((d + 2500)) "Space did not resume the clock"

xdotool key Home
sleep 0.5
f=$(show_ms)
within "$f" 0 1200 "Home did not restart from 0"

xdotool key Escape
t=0
while kill -0 "$pid" 2>/dev/null; do
  sleep 0.05; t=$((t + 1))
  [ "$t" -ge 40 ] && fail "Escape did not end the show within two seconds"
done
wait "$pid"; status=$?
[ "$status" -eq 0 ] || fail "Escape ended the show with status $status"

# --start begins the show at that time.
(cd "$show" && SDL_AUDIODRIVER=dummy exec "$bin" --dev --start 12) &
pid=$!
wid=$(timeout 10 xdotool search --sync --name '^Tamarack' | head -1)
[ -n "$wid" ] || fail "no window with --start"
sleep 1
g=$(show_ms)
within "$g" 12000 15000 "--start 12 did not begin at 12 s"
xdotool windowfocus --sync "$wid"
xdotool key Escape
wait "$pid"
echo "dev keys: ok"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$show/drive.sh" "$bin" "$show"
