#!/usr/bin/env bash
# The layering check passes on the tree, and fails, naming the file, the line
# and the include, on a copy of the tree with one include added against the
# table (or along it: those must still pass).
set -uo pipefail
src=$1
check=$src/tools/check_layers.sh
fail=0

out=$(bash "$check" "$src" 2>&1) || { echo "the tree breaks its layering:"; echo "$out"; fail=1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# file to add the include to | include | expected status
cases=(
  "assets/gfx.h|render/effect.h|1"
  "base/timer.h|script/script.h|1"
  "engine/input.cpp|cli/modes.h|1"
  "timeline/scene.cpp|script/frame_step.h|1"
  "script/parse.cpp|render/camera.h|1"
  "render/effect.cpp|script/script.h|0"
  "cli/main.cpp|engine/sound.h|0"
  "assets/registry.cpp|assets/gfx.h|0"
)
for c in "${cases[@]}"; do
    IFS='|' read -r file inc want <<<"$c"
    rm -rf "$work/tree" && mkdir -p "$work/tree"
    cp -r "$src/docs" "$src/base" "$src/assets" "$src/timeline" "$src/script" "$src/render" "$src/engine" \
        "$src/cli" "$work/tree/"
    printf '#include "%s"\n' "$inc" >>"$work/tree/$file"
    line=$(wc -l <"$work/tree/$file")
    out=$(bash "$check" "$work/tree" 2>&1)
    got=$?
    if [ "$got" != "$want" ]; then
        echo "FAIL: $file including $inc: status $got, expected $want: $out"
        fail=1
    elif [ "$want" = 1 ] && [ "$out" != "$file:$line: ${file%%/*} may not include $inc" ]; then
        echo "FAIL: $file including $inc: the message was '$out'"
        fail=1
    fi
done
[ $fail = 0 ] && echo "layering: the tree and ${#cases[@]} altered copies judged right"
exit $fail
