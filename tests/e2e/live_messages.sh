#!/usr/bin/env bash
# What the live show says on stderr, in a real X window: one line before the
# window opens when the script has errors (the show still plays, and Escape
# still ends it with status 0), one line when no audio device opens instead
# of the audio library's own, and nothing at all for a good show.
# Args: TAMARACK_BIN SOURCE_DIR XCLOSE_BIN
set -u
show=$(mktemp -d)
trap 'rm -rf "$show"' EXIT

cat >"$show/drive.sh" <<'INNER'
set -u
bin=$1 xclose=$2 show=$3
fail() { echo "FAIL: $*"; exit 1; }
errors="the show may draw nothing; run 'tamarack --check' to see them"
good='@sync\n0 track 1 type 1 duration 60.0 opacity 1\n'
# script (printf format) | extra environment | music file or - | expected stderr (glob)
while IFS='|' read -r script env music want; do
  rm -rf "$show/data"; mkdir -p "$show/data"
  printf "$script" >"$show/data/script.txt"
  [ "$music" = - ] || printf 'not music' >"$show/data/$music"
  (cd "$show" && exec env SDL_AUDIODRIVER=dummy $env "$bin" --window 2>"$show/err") &
  pid=$!
  wid=$("$xclose" --find "$pid") || fail "no window for '$script'"
  sleep 0.3
  "$xclose" --escape "$wid"
  wait "$pid"; st=$?
  [ "$st" -eq 0 ] || fail "status $st for '$script'"
  got=$(cat "$show/err")
  # shellcheck disable=SC2053
  [[ "$got" == $want ]] || fail "stderr for '$script' ($env): '$got', want '$want'"
done <<CASES
||-|tamarack: data/script.txt has 1 error; $errors
Default 640x480\n0 track 1\n||-|tamarack: data/script.txt has 1 error; $errors
Define A A\n0 A b\n||-|tamarack: data/script.txt has 2 errors; $errors
$good||-|
$good|SDL_AUDIODRIVER=alsa ALSA_CARD=tamarack-none|theme.ogg|tamarack: no audio device could be opened (*); the show plays without music
$good||theme.ogg|
CASES
echo "live messages: ok"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$show/drive.sh" "$1" "$3" "$show"
