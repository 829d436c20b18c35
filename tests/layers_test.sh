#!/usr/bin/env bash
# The layering check passes on the tree; on a copy with one include added it
# fails against the table (naming the file, the line, the include and the
# rule) or passes, for every include form.
set -uo pipefail
src=$1
check=$src/tools/check_layers.sh
fail=0
out=$(bash "$check" "$src" 2>&1) || { echo "the tree breaks its layering: $out"; fail=1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# file to add the line to | the include line | what the check says after "FILE:LINE: " (empty: it passes)
while IFS='|' read -r file inc want; do
    rm -rf "$work/tree" && mkdir -p "$work/tree"
    cp -r "$src"/{docs,base,assets,timeline,script,export,render,engine,cli} "$work/tree/"
    printf '%s\n' "$inc" >>"$work/tree/$file"
    out=$(bash "$check" "$work/tree" 2>&1)
    got=$?
    expected=${want:+$file:$(wc -l <"$work/tree/$file"): $want}
    if [ "$got" != "$([ -n "$want" ] && echo 1 || echo 0)" ] || [ "$out" != "$expected" ]; then
        echo "FAIL: $file with $inc: status $got, said: $out (expected: $expected)"
        fail=1
    fi
done <<'EOF'
base/timer.h|#include "script/script.h"|base may not include script/script.h
timeline/scene.cpp|#include "script/frame_step.h"|timeline may not include script/frame_step.h
export/png.cpp|#include "render/effect.h"|export may not include render/effect.h
script/parse.cpp|#include "../render/bezier.h"|script may not include render/bezier.h (written "../render/bezier.h")
assets/registry.cpp|#include <script/check.h>|assets may not include script/check.h (written <script/check.h>)
engine/input.cpp|  #  include "tests/support/run.h"|no folder may include tests/support/run.h
render/effect.cpp|#include "script/script.h"|
assets/registry.cpp|#include "assets/gfx.h"|
timeline/scene.cpp|#include "scene.h"|
script/parse.cpp|#include <base/timer.h>|
render/camera.cpp|#include <GL/gl.h>|
EOF
exit $fail
