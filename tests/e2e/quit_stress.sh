#!/usr/bin/env bash
# Escape and window close are never lost: 40 closes, 40 Escapes and 8 Escapes behind 2,000 pointer
# motions, four shows at a time in one X server, each end with status 0 within a second.
# Args: TAMARACK_BIN SOURCE_DIR XCLOSE_BIN
set -u
show=$(mktemp -d)
trap 'rm -rf "$show"' EXIT
mkdir -p "$show/data"
printf '@sync\n' >"$show/data/script.txt"

cat >"$show/one.sh" <<'INNER'
set -u
bin=$1 xclose=$2 show=$3 kind=$4 n=$5
(cd "$show" && SDL_AUDIODRIVER=dummy exec "$bin" --window) &
pid=$!
wid=$("$xclose" --find "$pid") || { echo "FAIL $kind $n: no window"; kill -9 "$pid"; exit; }
# A different moment of the frame for each run.
sleep "0.$((2 + n % 6))"
case $kind in
  close) "$xclose" "$wid" ;;
  escape) "$xclose" --escape "$wid" ;;
  motion) "$xclose" --motion "$wid"; "$xclose" --escape "$wid" ;;
esac
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.02; done
if kill -0 "$pid" 2>/dev/null; then
  kill -9 "$pid"; echo "FAIL $kind $n: still running a second after the request"; exit
fi
wait "$pid"; st=$?
[ "$st" -eq 0 ] && echo "ok $kind $n" || echo "FAIL $kind $n: status $st"
INNER

cat >"$show/drive.sh" <<'INNER'
set -u
bin=$1 xclose=$2 show=$3
{ for i in $(seq 40); do echo "close $i"; echo "escape $i"; done
  for i in $(seq 8); do echo "motion $i"; done; } |
  xargs -P 4 -L 1 bash "$show/one.sh" "$bin" "$xclose" "$show" >"$show/results"
failed=$(grep -c FAIL "$show/results")
passed=$(grep -c '^ok' "$show/results")
grep FAIL "$show/results"
[ "$failed" -eq 0 ] && [ "$passed" -eq 88 ] || { echo "FAIL: $passed of 88 runs ended in time"; exit 1; }
echo "quit stress: ok (88 runs)"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$show/drive.sh" "$1" "$3" "$show"
