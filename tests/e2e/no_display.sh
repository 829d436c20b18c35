#!/usr/bin/env bash
# Without a display the live show fails with one line naming what failed, and
# status 1; a show folder that cannot be entered is refused the same way.
set -u
bin=$1
show=$(mktemp -d)
trap 'rm -rf "$show"' EXIT
mkdir -p "$show/data"
printf '@sync\n' >"$show/data/script.txt"
fail() { echo "FAIL: $*"; exit 1; }

err=$(cd "$show" && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy timeout 10 "$bin" 2>&1 >/dev/null)
st=$?
[ "$st" -eq 1 ] || fail "status $st without a display (want 1)"
[[ "$err" == "tamarack: cannot open a 640x480 full-screen OpenGL display: "* && "$err" != *$'\n'* ]] ||
  fail "not one line naming what failed: $err"

err=$(cd "$show" && env -u DISPLAY SDL_AUDIODRIVER=dummy timeout 10 "$bin" --window 2>&1 >/dev/null)
[[ "$err" == "tamarack: cannot open a 640x480 windowed OpenGL display: "* ]] || fail "with --window: $err"

err=$("$bin" "$show/nowhere" 2>&1 >/dev/null); st=$?
[ "$st" -eq 1 ] || fail "status $st for a missing show folder"
[ "$err" = "tamarack: cannot enter the show folder $show/nowhere: No such file or directory" ] ||
  fail "unexpected message for a missing folder: $err"

echo "no_display: ok"
