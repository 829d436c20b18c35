#!/usr/bin/env bash
# The live show in a real X window: caption, size, which input quits it and
# which does nothing. Args: TAMARACK_BIN SOURCE_DIR XCLOSE_BIN
set -u
bin=$1 xclose=$3
show=$(mktemp -d)
trap 'rm -rf "$show"' EXIT
mkdir -p "$show/data"
printf '@sync\n' >"$show/data/script.txt"

cat >"$show/drive.sh" <<'INNER'
set -u
bin=$1 xclose=$2 show=$3
fail() { echo "FAIL: $*"; kill "$pid" 2>/dev/null; exit 1; }
start() {
  (cd "$show" && SDL_AUDIODRIVER=dummy exec "$bin" --window) &
  pid=$!
  wid=$(timeout 10 xdotool search --sync --name '^Tamarack$' | head -1)
  [ -n "$wid" ] || fail "no window captioned Tamarack"
}
# Waits up to $1 seconds for the show to end; sets status.
ended_within() {
  local t=0
  while kill -0 "$pid" 2>/dev/null; do
    sleep 0.05; t=$((t + 1))
    [ "$t" -ge $(($1 * 20)) ] && return 1
  done
  wait "$pid"; status=$?
  return 0
}

start
geom=$(xdotool getwindowgeometry "$wid" | sed -n 's/.*Geometry: //p')
[ "$geom" = "640x480" ] || fail "window is $geom, not 640x480"
xdotool windowfocus --sync "$wid"
# Other keys, key releases and mouse motion do nothing.
xdotool key a space Return q F1
xdotool keyup Escape
xdotool mousemove --window "$wid" 10 10 mousemove --window "$wid" 300 200 click 1
sleep 0.7
kill -0 "$pid" 2>/dev/null || fail "the show ended on a key other than Escape or on mouse input"
# Escape ends it with status 0 within a second.
xdotool key Escape
ended_within 1 || fail "Escape did not end the show within a second"
[ "$status" -eq 0 ] || fail "Escape ended the show with status $status"

# Closing the window ends it with status 0.
start
"$xclose" "$wid"
ended_within 2 || fail "closing the window did not end the show"
[ "$status" -eq 0 ] || fail "closing the window ended the show with status $status"
echo "window: ok"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$show/drive.sh" "$bin" "$xclose" "$show"
