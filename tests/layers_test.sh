#!/usr/bin/env bash
# The layering check passes on the tree; on a copy with one include added it
# fails against the table (naming the file, the line and the include) or passes.
set -uo pipefail
src=$1
check=$src/tools/check_layers.sh
fail=0
out=$(bash "$check" "$src" 2>&1) || { echo "the tree breaks its layering: $out"; fail=1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# file to add the include to | include | expected status
for c in "base/timer.h|script/script.h|1" "timeline/scene.cpp|script/frame_step.h|1" \
    "render/effect.cpp|script/script.h|0" "assets/registry.cpp|assets/gfx.h|0"; do
    IFS='|' read -r file inc want <<<"$c"
    rm -rf "$work/tree" && mkdir -p "$work/tree"
    cp -r "$src"/{docs,base,assets,timeline,script,render,engine,cli} "$work/tree/"
    printf '#include "%s"\n' "$inc" >>"$work/tree/$file"
    expected="$file:$(wc -l <"$work/tree/$file"): ${file%%/*} may not include $inc"
    out=$(bash "$check" "$work/tree" 2>&1)
    got=$?
    if [ "$got" != "$want" ] || { [ "$want" = 1 ] && [ "$out" != "$expected" ]; }; then
        echo "FAIL: $file including $inc: status $got (expected $want): $out"
        fail=1
    fi
done
exit $fail
