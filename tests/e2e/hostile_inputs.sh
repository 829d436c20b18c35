#!/usr/bin/env bash
# Inputs a real machine has that no show author means: folders, FIFOs and
# devices under a show file's name, a script that is no file or far too
# large, a full stdout, an empty folder name. Each row ends within seconds
# with its status and its one line, and leaves the show's files as they were.
# The largest times, huge groups, days of music and the stop signals too.
# Args: TAMARACK_BIN SOURCE_DIR
set -u
set -m # the runs in the background take Ctrl+C as a terminal's would
bin=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin" new "$work/base" >/dev/null || { echo "FAIL: no starter show"; exit 1; }
failures=0
fail() { echo "FAIL $name: $*"; failures=$((failures + 1)); }

# row NAME STATUS STDERR STDOUT SETUP ARGS...: STDERR is a pattern for the
# whole of stderr ("" for none), STDOUT one for the whole of stdout ('*' for
# anything; the row "full" sends it to /dev/full instead); SETUP runs in the
# show folder, a fresh copy of the starter show.
row() {
  name=$1 want=$2 err_want=$3 out_want=$4 setup=$5
  shift 5
  local show="$work/$name"
  cp -r "$work/base" "$show"
  (cd "$show" && eval "$setup") || { fail "setup"; return; }
  local before
  before=$(cd "$show/data" 2>/dev/null && find . -type f -exec sha1sum {} + 2>/dev/null | sort)
  if [ "$out_want" = full ]; then
    (cd "$show" && timeout 30 "$bin" "$@" >/dev/full 2>"$work/err"); st=$?
    : >"$work/out"
  else
    (cd "$show" && timeout 30 "$bin" "$@" >"$work/out" 2>"$work/err"); st=$?
  fi
  local err out
  err=$(cat "$work/err") out=$(cat "$work/out")
  [ "$st" -eq "$want" ] || fail "status $st (want $want); stderr: $err"
  # shellcheck disable=SC2053
  [[ "$err" == $err_want ]] || fail "stderr: $err"
  [ "$out_want" = full ] || [[ "$out" == $out_want ]] || fail "stdout: $out"
  [ "$before" = "$(cd "$show/data" 2>/dev/null && find . -type f -exec sha1sum {} + 2>/dev/null | sort)" ] ||
    fail "the show's files changed"
  rm -rf "$show"
}

notread() { echo "data/$1: warning: data/$1 is not read: it is $2, and only regular files are: put the file itself in its place or move it out of data/"; }
count() { echo "0 errors, $1 warnings"; }

# Show files that are no regular file: the scan reads none of them.
row music_folder_check 0 "" "$(notread music.xm 'a folder')"$'\n'"$(count 1)" \
  'rm data/music.xm && mkdir data/music.xm' --check
row music_folder_it 0 "" "$(notread music.it 'a folder')"$'\n'"$(count 1)" \
  'rm data/music.xm && mkdir data/music.it' --check
row music_folder_timeline 0 "" '' 'rm data/music.xm && mkdir data/music.xm' --timeline page.html --every 5
row music_folder_render 0 "" '' 'rm data/music.xm && mkdir data/music.xm' --render x.mkv --to 0.1
for f in a.jpg b.3ds c.ogg d.xm e.mp3; do
  row "fifo_${f/./_}" 0 "" "$(notread $f 'a FIFO')"$'\n'"$(count 1)" "mkfifo data/$f" --check
done
for f in z.xm z.it z.mp3; do
  row "device_${f/./_}" 0 "" "$(notread $f 'a device')"$'\n'"$(count 1)" "ln -s /dev/zero data/$f" --check
done

# A script that is no regular file, or far too large.
for m in -E --inspect; do
  row "script_fifo$m" 1 "tamarack: cannot open data/script.txt: it is a FIFO and nothing wrote to it within 3 s: *" '' \
    'rm data/script.txt && mkfifo data/script.txt' "$m"
  row "script_zero$m" 1 "tamarack: cannot open data/script.txt: it is a device, not a regular file" '' \
    'rm data/script.txt && ln -s /dev/zero data/script.txt' "$m"
done
row script_zero_check 1 "" \
  "data/script.txt: error: cannot open data/script.txt: it is a device, not a regular file"$'\n'"1 errors, 0 warnings" \
  'rm data/script.txt && ln -s /dev/zero data/script.txt' --check
row script_huge 1 "tamarack: cannot open data/script.txt: it is 3.2 GB, more than the 64.0 MB allowed" '' \
  'truncate -s 3G data/script.txt' --inspect

# A stdout that takes nothing: the mode fails, with one line.
for m in -E --inspect "--scenes 1" --assets --check; do
  # shellcheck disable=SC2086
  row "full${m// /_}" 1 "tamarack: cannot write to stdout: *" full '' $m
done

# An empty name for a new show is no folder.
row new_empty 2 "tamarack: new: the folder's name is empty: *" '' 'rm -r data' new ""
[ ! -e "$work/new_empty" ] || [ ! -e "$work/new_empty/data" ] || fail "new made a show"

# The largest time the clock holds, in a show that never ends: reached at
# once, not by stepping every frame (nor by a clock that wraps around).
noend='sed -i "/ end$/d" data/script.txt'
row far_scenes 0 "" '{"time": 2147483647*' "$noend" --scenes 2147483.647 --fps 1
row far_scenes_60 0 "" '{"time": 2147483647*' "$noend" --scenes 2147483.647
row far_shot 0 "" '' "$noend" --shot 2147483.647 x.png --fps 1
row far_render 0 "" '' "$noend" --render D --from 2147483 --to 2147483.647 --fps 1

# 100,000 commands at one time: in proportion to the commands.
many='{ printf "@sync\n"; for i in $(seq 0 99999); do echo "0 track $((i % 7)) type 1 object picture.jpg duration 10.0"; done; } >data/script.txt'
row many_at_once 0 "" '' "$many" --shot 0 x.png --size 16x12

# A module whose orders play for about 44 hours: the page draws its first
# ten minutes.
longxm='python3 -c "
import struct
h = b\"Extended Module: \" + b\"long\".ljust(20) + b\"\\x1a\" + b\"tamarack\".ljust(20) + struct.pack(\"<H\", 0x104)
h += struct.pack(\"<IHHHHHHHH\", 276, 256, 0, 2, 1, 0, 1, 31, 32) + bytes(256)
open(\"data/music.xm\", \"wb\").write(h + struct.pack(\"<IBHH\", 9, 0, 256, 512) + b\"\\x80\" * 512)"'
row long_module 0 "" '' "$longxm" --timeline page.html

# Ctrl+C and kill in the long offline modes: a stop within a second, 130 or
# 143, one line, and the file that was there before left as it was.
stop_row() {
  name=$1 sig=$2 want=$3
  shift 3
  local show="$work/$name"
  cp -r "$work/base" "$show"
  printf '@sync\n0 track 1 type 1 object picture.jpg duration 2000000000\n' >"$show/data/script.txt"
  echo old >"$show/old.png"
  echo old >"$show/old.html"
  (cd "$show" && exec "$bin" "$@" >/dev/null 2>"$work/err") &
  local pid=$! waited=0
  sleep 3
  kill -s "$sig" "$pid"
  while kill -0 "$pid" 2>/dev/null && [ "$waited" -lt 20 ]; do sleep 0.1; waited=$((waited + 1)); done
  if kill -0 "$pid" 2>/dev/null; then
    kill -9 "$pid"; fail "still running 2 s after SIG$sig"
  fi
  wait "$pid"; st=$?
  [ "$st" -eq "$want" ] || fail "status $st (want $want)"
  [ "$(cat "$work/err")" = "tamarack: stopped by SIG$sig" ] || fail "stderr: $(cat "$work/err")"
  [ "$(cat "$show/old.png")$(cat "$show/old.html")" = oldold ] || fail "an old file changed"
  rm -rf "$show"
}
for sig in INT TERM; do
  want=$([ $sig = INT ] && echo 130 || echo 143)
  stop_row "stop_scenes_$sig" $sig $want --scenes 2147483 --fps 1000
  stop_row "stop_shot_$sig" $sig $want --shot 2147483 old.png --fps 1000
  stop_row "stop_timeline_$sig" $sig $want --timeline old.html --every 2000
  stop_row "stop_sheet_$sig" $sig $want --contact-sheet old.png --every 100 --size 16x12
done

[ "$failures" -eq 0 ] || exit 1
echo "hostile_inputs: ok"
