#!/usr/bin/env bash
# The live show in a real X window: captioned Tamarack, 640 x 480; only Escape ends it (status 0).
# On stderr: one line counting the errors --check reports (music that cannot be played among
# them), one for a missing audio device, nothing for a good show.
# Args: TAMARACK_BIN SOURCE_DIR XCLOSE_BIN
set -u
show=$(mktemp -d)
trap 'rm -rf "$show"' EXIT

cat >"$show/drive.sh" <<'INNER'
set -u
bin=$1 xclose=$2 show=$3 src=$4
fail() { echo "FAIL: $*"; kill "$pid" 2>/dev/null; exit 1; }
errors="the show may draw nothing; run 'tamarack --check' to see them"
good='@sync\n0 track 1 type 1 duration 60.0 opacity 1\n'
# script (printf format) | extra environment | music file (a .jpg: a picture) or - | expected stderr (glob)
while IFS='|' read -r script env music want; do
  rm -rf "$show/data"; mkdir -p "$show/data"
  printf "$script" >"$show/data/script.txt"
  case $music in
  -) ;;
  *.jpg) cp "$src/data/checker.jpg" "$show/data/$music" ;;
  *) printf 'not music' >"$show/data/$music" ;;
  esac
  (cd "$show" && exec env SDL_AUDIODRIVER=dummy $env "$bin" --window 2>"$show/err") &
  pid=$!
  wid=$("$xclose" --find "$pid") || fail "no window for '$script'"
  if [ "$script$env$music" = "$good-" ]; then # the good show, once: the window itself
    [ "$(xdotool getwindowname "$wid")" = Tamarack ] || fail "caption '$(xdotool getwindowname "$wid")'"
    geom=$(xdotool getwindowgeometry "$wid" | sed -n 's/.*Geometry: //p')
    [ "$geom" = "640x480" ] || fail "window is $geom, not 640x480"
    xdotool windowfocus --sync "$wid"
    xdotool key a space Return q F1
    xdotool keyup Escape
    xdotool mousemove --window "$wid" 10 10 mousemove --window "$wid" 300 200 click 1
    sleep 0.7
    kill -0 "$pid" 2>/dev/null || fail "the show ended on a key other than Escape or on mouse input"
  fi
  sleep 0.3
  "$xclose" --escape "$wid"
  wait "$pid"; st=$?
  [ "$st" -eq 0 ] || fail "status $st for '$script'"
  got=$(cat "$show/err")
  # shellcheck disable=SC2053
  [[ "$got" == $want ]] || fail "stderr for '$script' ($env): '$got', want '$want'"
done <<CASES
||-|tamarack: data/script.txt has 1 error; $errors
Define A A\n0 A b\n||-|tamarack: data/script.txt has 2 errors; $errors
$good||-|
@sync\n0 track 1 type 1 object Pic.jpg duration 60.0\n0 track 2 type 1 object pic.jpg duration 60.0 move\n||pic.jpg|tamarack: data/script.txt has 2 errors; $errors
$good|SDL_AUDIODRIVER=alsa ALSA_CARD=tamarack-none|theme.ogg|tamarack: data/ has 1 error; $errors?tamarack: no audio device could be opened (*); the show plays without music
$good||theme.ogg|tamarack: data/ has 1 error; $errors
CASES
echo "window: ok"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$show/drive.sh" "$1" "$3" "$show" "$2"
