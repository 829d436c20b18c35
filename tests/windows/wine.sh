#!/usr/bin/env bash
# The Windows build under Wine, beside the Linux build on the same show: the
# same outputs and statuses, the same pixels, paths in Windows' own form, a
# CRLF script, a video file; the live show in a window that ends on Escape,
# on close and at the script's "end", full screen with its black bars, --dev
# reloading a saved script, and Ctrl+C stopping a render.
# Args: ZIP LINUX_TAMARACK XCLOSE_BIN
set -u
if [ $# -ne 3 ]; then
  echo "usage: tests/windows/wine.sh ZIP LINUX_TAMARACK XCLOSE_BIN" >&2
  exit 2
fi
zip=$(realpath "$1") linux=$(realpath "$2") xclose=$(realpath "$3")
work=$(mktemp -d)
export WINEPREFIX=$work/prefix
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work/zip" || exit 1
exe=$(echo "$work"/zip/*/tamarack.exe)
[ -f "$exe" ] || { echo "FAIL: no tamarack.exe in $zip"; exit 1; }

cat >"$work/drive.sh" <<'INNER'
set -u
work=$1 exe=$2 linux=$3 xclose=$4
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installer
wine=wine
[ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
failed=0
fail() { echo "FAIL: $*"; failed=1; }
win() { "$wine" "$exe" "$@"; }
# A Windows path for a path of this machine: Wine's drive Z: is /.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# One Wine server for every run; windows left unmanaged, as the Linux tests'
# are (a managed one takes seconds to close with no window manager).
start=$SECONDS
"$wine" wineboot -i >/dev/null 2>&1
wineserver -p
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
echo "wine prefix ready in $((SECONDS - start)) s"

show=$work/show crlf=$work/crlf out=$work/out
mkdir -p "$out"
mkdir -p "$show" && cp -r "$(dirname "$exe")/data" "$show/"
mkdir -p "$crlf" && cp -r "$show/data" "$crlf/"
sed -i 's/$/\r/' "$crlf/data/script.txt"

# Text modes: stdout and status as Linux's, byte for byte. Each row:
# name | folder | arguments
while IFS='|' read -r name dir args; do
  # shellcheck disable=SC2086
  (cd "$dir" && "$linux" $args >"$out/$name.linux" 2>&1); want=$?
  # shellcheck disable=SC2086
  (cd "$dir" && win $args >"$out/$name.win" 2>&1); got=$?
  [ "$got" -eq "$want" ] || fail "$name: status $got under Wine, $want on Linux"
  cmp -s "$out/$name.linux" "$out/$name.win" || {
    fail "$name: output differs from Linux's:"
    diff "$out/$name.linux" "$out/$name.win" | head -n 6
  }
done <<CASES
version|$show|--version
check|$show|--check
preprocess|$show|-E
inspect|$show|--inspect
scenes|$show|--scenes 20
assets|$show|--assets
tempo|$show|--tempo
crlf-inspect|$crlf|--inspect
crlf-check|$crlf|--check
usage|$show|--shot
CASES
grep -q '0 errors, 0 warnings' "$out/check.win" || fail "--check under Wine: $(tail -n 1 "$out/check.win")"

# Frames: --shot at three times and two seconds of --render as a Y4M stream
# on stdout, against the Linux build's: the same bytes, or every colour
# channel within one level (the C libraries' sin and cos may differ in the
# last bit, which can move a channel by one). The show folder and the PNG
# are given as Windows paths (drive letter, backslashes) from another folder.
# "worst N" and "count N" of two raw files of one size, compared byte by byte.
compare() {
  cmp -l "$1" "$2" | awk '
    function oct(s, n, i) { n = 0; for (i = 1; i <= length(s); i++) n = n * 8 + substr(s, i, 1); return n }
    { d = oct($2) - oct($3); if (d < 0) d = -d; if (d > worst) worst = d; count++ }
    END { printf "%d %d\n", worst, count }'
}
same_pixels() { # what | linux raw | windows raw
  local worst count
  if [ ! -s "$3" ] || [ "$(stat -c %s "$2")" != "$(stat -c %s "$3")" ]; then
    fail "$1: $(stat -c %s "$3" 2>/dev/null || echo no) bytes under Wine, $(stat -c %s "$2") on Linux"
    return
  fi
  read -r worst count < <(compare "$2" "$3")
  if [ "$worst" -gt 1 ]; then
    fail "$1: $count bytes differ from Linux's, by up to $worst"
  else
    echo "$1: $count bytes differ from Linux's, by at most $worst"
  fi
}
rgb() { ffmpeg -loglevel error -y -i "$1" -f rawvideo -pix_fmt rgb24 "$2"; }
for t in 0.5 20 41.3; do
  (cd "$show" && "$linux" --shot "$t" "$out/shot-$t.linux.png") || fail "--shot $t on Linux"
  (cd "$work" && win "$(winpath "$show")" --shot "$t" "$(winpath "$out/shot-$t.win.png")") ||
    fail "--shot $t under Wine: status $?"
  rgb "$out/shot-$t.linux.png" "$out/shot-$t.linux.rgb"
  rgb "$out/shot-$t.win.png" "$out/shot-$t.win.rgb" || fail "--shot $t under Wine wrote no PNG"
  same_pixels "--shot $t" "$out/shot-$t.linux.rgb" "$out/shot-$t.win.rgb"
done
(cd "$show" && "$linux" --render - --to 2 >"$out/render.linux.y4m") || fail "--render on Linux"
(cd "$show" && win --render - --to 2 >"$out/render.win.y4m") || fail "--render under Wine: status $?"
[ "$(head -n 1 "$out/render.win.y4m")" = "$(head -n 1 "$out/render.linux.y4m")" ] ||
  fail "--render -: the stream's header differs from Linux's"
same_pixels "--render - --to 2" "$out/render.linux.y4m" "$out/render.win.y4m"
# A video file with its music, through the FFmpeg DLLs.
(cd "$show" && win --render "$(winpath "$out/two.mp4")" --to 2) || fail "--render two.mp4 under Wine: status $?"
streams=$(ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 "$out/two.mp4" | tr '\n' ' ')
[ "$streams" = "h264,640,480 aac " ] || fail "--render two.mp4: streams '$streams', want H.264 640x480 and AAC"

# The live show in a window, with the music written to a file by SDL's disk
# driver: Escape ends it, a close request ends it, status 0 both; a show
# whose script ends at 3 s ends by itself.
live() { # what | folder; sets st
  rm -f "$work/heard.raw"
  (cd "$2" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=heard.raw exec "$wine" "$exe" --window) 2>"$work/live.err" &
  pid=$!
  if ! wid=$("$xclose" --find "$pid"); then
    fail "$1: no window"
    kill -9 "$pid" 2>/dev/null
    st=-1
    return
  fi
  sleep 1
  case $1 in
    escape) "$xclose" --escape "$wid" ;;
    close) "$xclose" --close "$wid" ;;
  esac
  for _ in $(seq 150); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    fail "$1: still running 15 s after it should have ended"
    kill -9 "$pid"
  fi
  wait "$pid"
  st=$?
}
for what in escape close; do
  live "$what" "$show"
  [ "$st" -eq 0 ] || fail "$what: status $st: $(cat "$work/live.err")"
  [ -s "$show/heard.raw" ] || fail "$what: no music reached the audio device"
done
ended=$work/ended
mkdir -p "$ended/data"
cp "$show/data/checker.jpg" "$show/data/theme.xm" "$ended/data/"
printf '@sync\n0 track 1 type 1 object checker.jpg duration 60.0\n3.0 end\r\n' >"$ended/data/script.txt"
began=$(date +%s%N)
live end "$ended"
took=$((($(date +%s%N) - began) / 1000000))
[ "$st" -eq 0 ] || fail "end: status $st: $(cat "$work/live.err")"
[ "$took" -ge 3000 ] || fail "end: the show ended after $took ms, before its end at 3 s"

# Full screen on the 1280x720 screen: the window covers it, the 4:3 picture
# fills 960x720 in the middle between black bars.
(cd "$show" && SDL_AUDIODRIVER=dummy exec "$wine" "$exe") 2>"$work/live.err" &
pid=$!
if wid=$("$xclose" --find "$pid"); then
  "$xclose" --windows | grep -q "^$wid 0 0 1280 720\$" || fail "full screen: the windows are $("$xclose" --windows | tr '\n' ';')"
  "$xclose" --grab "$work/screen.ppm"
  pixel() { od -An -tu1 -j $((16 + ($2 * 1280 + $1) * 3)) -N3 "$work/screen.ppm" | tr -s ' ' | sed 's/^ //'; }
  for at in "80 360" "1200 360" "10 10" "1270 710"; do
    # shellcheck disable=SC2086
    [ "$(pixel $at)" = "0 0 0" ] || fail "full screen: ($at) is $(pixel $at), not a black bar"
  done
  lit=0
  for x in 200 400 640 880 1080; do
    for y in 100 360 620; do
      read -r r g b < <(pixel "$x" "$y")
      [ $((r + g + b)) -gt 0 ] && lit=$((lit + 1))
    done
  done
  [ "$lit" -ge 10 ] || fail "full screen: $lit of 15 points of the picture between the bars are lit"
  "$xclose" --escape "$wid"
  wait "$pid" || fail "full screen: status $?: $(cat "$work/live.err")"
else
  fail "full screen: no window"
  kill -9 "$pid"
fi

# --dev: a saved script is read again at once, and said so on stdout.
dev=$work/dev
mkdir -p "$dev" && cp -r "$show/data" "$dev/"
(cd "$dev" && SDL_AUDIODRIVER=dummy exec "$wine" "$exe" --dev) >"$work/dev.out" 2>&1 &
pid=$!
if wid=$("$xclose" --find "$pid"); then
  sleep 1
  printf '# saved again\n' >>"$dev/data/script.txt"
  for _ in $(seq 50); do grep -q 'reloaded data/script.txt' "$work/dev.out" && break; sleep 0.1; done
  grep -q '^tamarack: reloaded data/script.txt: 43 commands, 0 errors, 0 warnings' "$work/dev.out" ||
    fail "--dev: no reload 5 s after the save: $(cat "$work/dev.out")"
  "$xclose" --escape "$wid"
  wait "$pid" || fail "--dev: status $?"
else
  fail "--dev: no window"
  kill -9 "$pid"
fi

# Ctrl+C (SIGINT, which Wine hands the program as a console Ctrl+C) stops a
# render within a frame: status 130 and the count of frames written.
(cd "$show" && exec "$wine" "$exe" --render - --fps 1000) >/dev/null 2>"$work/stop.err" &
pid=$!
sleep 2
kill -INT "$pid"
wait "$pid"
st=$?
[ "$st" -eq 130 ] || fail "Ctrl+C: status $st, not 130"
grep -q '^tamarack: stopped: [0-9]* frames written to the stream' "$work/stop.err" ||
  fail "Ctrl+C: '$(cat "$work/stop.err")'"

[ "$failed" -eq 0 ] || exit 1
echo "windows under wine: ok"
INNER
xvfb-run -a -s "-screen 0 1280x720x24" bash "$work/drive.sh" "$work" "$exe" "$linux" "$xclose"
