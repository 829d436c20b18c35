#!/usr/bin/env bash
# The authoring mode's live reload in an X window, with twelve 4000 x 3000 photos loaded: a saved
# script edit that adds a warning prints "tamarack: reloaded data/script.txt: N commands, 0 errors,
# 1 warnings" and the warning as --check prints it, and the title says "reloaded" (set by the first
# frame of the new show) within the time printed, then no longer after two seconds.
# Args: TAMARACK_BIN SOURCE_DIR XCLOSE_BIN
set -u
show=$(mktemp -d)
trap 'rm -rf "$show"' EXIT
mkdir -p "$show/data"
bench=$(dirname "$1")/bench/tamarack-bench
[ -x "$bench" ] || { echo "FAIL: no $bench to make the photos"; exit 1; }
"$bench" --write-photo 4000 3000 "$show/data/photo00.jpg" || { echo "FAIL: no photo made"; exit 1; }
for i in 01 02 03 04 05 06 07 08 09 10 11; do cp "$show/data/photo00.jpg" "$show/data/photo$i.jpg"; done
{
  echo '@sync'
  for k in $(seq 0 40); do
    printf '%d track %d type 1 object photo%02d.jpg duration 3000 center scale 0.16 0.16 1 opacity 1 to 0\n' \
      $((k * 1500)) $((20 + k % 7)) $((k % 12))
  done
} >"$show/data/script.txt"

cat >"$show/drive.sh" <<'INNER'
set -u
bin=$1 show=$2
fail() { echo "FAIL: $*"; kill "$pid" 2>/dev/null; exit 1; }
(cd "$show" && SDL_AUDIODRIVER=dummy exec "$bin" --dev 2>"$show/err") &
pid=$!
wid=$(timeout 60 xdotool search --sync --name '^Tamarack' | head -1)
[ -n "$wid" ] || fail "no window captioned Tamarack"
for _ in $(seq 600); do # the twelve photos load first
  [[ "$(xdotool getwindowname "$wid")" =~ [0-9]\ fps$ ]] && break
  sleep 0.1
done
[[ "$(xdotool getwindowname "$wid")" =~ [0-9]\ fps$ ]] || fail "title '$(xdotool getwindowname "$wid")'"
[ -s "$show/err" ] && fail "stderr before the edit: $(cat "$show/err")"

echo '70000 track 5 type 1 object photo03.jpg duration 1000 translate 0 0 -7' >>"$show/data/script.txt"
start=$(date +%s%N)
title=""
for _ in $(seq 1000); do
  title=$(xdotool getwindowname "$wid")
  [[ "$title" == *" - reloaded" ]] && break
  sleep 0.005
done
shown=$((($(date +%s%N) - start) / 1000000))
[[ "$title" == *" - reloaded" ]] || fail "the title never said reloaded: '$title'"
[[ "$title" =~ ^Tamarack\ -\ [0-9]+\.[0-9]{2}\ s\ -\ [0-9]+\ fps\ -\ reloaded$ ]] || fail "title '$title'"
want="tamarack: reloaded data/script.txt: 42 commands, 0 errors, 1 warnings
data/script.txt:43: warning: 'translate' is never read by a picture layer (type 1), which lies in window pixels: remove it, and place the layer with 'move X Y' or 'center'"
[ "$(cat "$show/err")" = "$want" ] || fail "stderr: $(cat "$show/err")"
echo "script edit with twelve 4000 x 3000 photos loaded: shown after $shown ms (saved to the title's 'reloaded')"
[ "$shown" -le 1500 ] || fail "the edit took $shown ms to show"
sleep 2.6
title=$(xdotool getwindowname "$wid")
[[ "$title" == *reloaded* ]] && fail "the title still says reloaded after two seconds: '$title'"
xdotool key Escape
wait "$pid" || fail "Escape ended the show with status $?"
echo "dev reload: ok"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$show/drive.sh" "$1" "$show"
