#!/usr/bin/env bash
# Mutation check of the tests: each mutation below is a deliberate fault in the
# engine's source (a file, an exact text and its replacement). The tool applies
# one at a time to a scratch copy of the tree (build-mutants/src; the working
# tree itself is never written), rebuilds it incrementally, runs the tests
# that should notice, and records whether they did. A developer tool, not part
# of the normal test run.
#
#   tools/mutants.sh [--full] [NAME...]
#
# --full runs the whole ctest suite for every mutation instead of its own
# subset; NAMEs pick mutations from the table. Prints one line per mutation
# (caught, SURVIVED, or NOT APPLIED when its text is not found exactly once or
# the mutant does not build) and a summary; the status is 0 only when every
# mutation was applied and caught. Keeps build-mutants/ between runs, so a
# second run rebuilds only what changed.
set -uo pipefail

root=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel) || exit 2
work=${MUTANTS_DIR:-$root/build-mutants}
src=$work/src
build=$work/build
jobs=${JOBS:-2}

names=() files=() finds=() repls=() tests=()
mutant() { # NAME FILE FIND REPLACE TESTS (a ctest -R regular expression)
    names+=("$1") files+=("$2") finds+=("$3") repls+=("$4") tests+=("$5")
}

# ---- the mutations --------------------------------------------------------
mutant interp-saturation timeline/value_position.h \
    'if (v >= 2147483648.0f) return INT32_MAX;' \
    'if (v <= 2147483648.0f) return INT32_MAX;' \
    'ValuePosition|SceneTiming|FrameStep|ScenesMode'
mutant interp-unfused timeline/value_position.h \
    'return std::fmaf(progress, start - end, end);' \
    'return progress * (start - end) + end;' \
    'ValuePosition|SceneTiming|FrameStep|Rewind|ScenesMode'
mutant scene-runs-through-end timeline/scene.cpp \
    'return now < endTime;' \
    'return now <= endTime;' \
    'SceneTiming|FrameStep|Rewind|ScenesMode|Capture'
mutant copy-loses-size timeline/scene.cpp \
    'width = keep.width;' \
    ';' \
    'FrameStep|ScenesMode'
mutant sync-arms-second-step timeline/sync_step.cpp \
    's.syncPosition = 0;
        const SYNC step' \
    's.syncPosition = 1;
        const SYNC step' \
    'FrameStep|Rewind|ScenesMode'
mutant sync-rearms-from-now timeline/sync_step.cpp \
    's.syncStepEnd = addTime(s.syncStepEnd, step.length);' \
    's.syncStepEnd = addTime(now, step.length);' \
    'FrameStep|Rewind|ScenesMode'
mutant group-one-frame-late script/frame_step.cpp \
    'script.times[script.current] <= timer.elapsed' \
    'script.times[script.current] < timer.elapsed' \
    'FrameStep|Rewind|ScenesMode|Capture'
mutant ended-scenes-kept script/frame_step.cpp \
    'script.sceneIt = script.scenes.erase(script.sceneIt);' \
    '++script.sceneIt;' \
    'FrameStep|Rewind|ScenesMode|Capture'
mutant equal-tracks-reversed script/parse.cpp \
    'if (sceneIt->track < record.track) break;' \
    'if (sceneIt->track <= record.track) break;' \
    'Interpreter|FrameStep|ScenesMode'
mutant frame-copies-scene-list script/frame_step.cpp \
    'const int32_t now = timer.elapsed;' \
    'const int32_t now = timer.elapsed + static_cast<int32_t>(std::vector<CScene>(script.scenes).size() * 0);' \
    'FrameStep'
mutant keyword-row-wrong-field script/keywords.cpp \
    '"scale", 3, &CScene::scale, &CScene::scaleInterp, [](CScene& s) { return s.scaleStart; },' \
    '"scale", 3, &CScene::scale, &CScene::scaleInterp, [](CScene& s) { return s.translateStart; },' \
    'Interpreter|ScenesMode'
mutant scan-kind-wrong-ending assets/file_kinds.cpp \
    '{FileKind::Model, {"3ds"}, {".3ds", ".3DS"}},' \
    '{FileKind::Model, {"3DS"}, {".3ds", ".3DS"}},' \
    'AssetsMode|CheckMode|Load3DS'
mutant seconds-rounded script/load.cpp \
    'return std::to_string(static_cast<int32_t>(ms));' \
    'return std::to_string(static_cast<int32_t>(ms + 0.5));' \
    'ScriptLoad|PreprocessMode|InspectMode'
mutant option-anaglyphic-off script/options.cpp \
    'einit.anaglyphic = 1;' \
    'einit.anaglyphic = 0;' \
    'ScriptOptions|InspectMode'
mutant registry-index-off-by-one assets/registry.cpp \
    'texture_type* t = gfx.textures;
    for (int i = 0; t && i < index; ++i)' \
    'texture_type* t = gfx.textures;
    for (int i = 0; t && i <= index; ++i)' \
    'Registry|Interpreter|Load3DS|ScenesMode'
mutant frame-times-rounded base/timer.h \
    'return static_cast<int32_t>(i * 1000 / framesPerSecond);' \
    'return static_cast<int32_t>((i * 1000 + framesPerSecond / 2) / framesPerSecond);' \
    'Clock|Rewind|ScenesMode|Capture'
mutant texcoord-left-edge-flipped render/scene_gl.cpp \
    '{0.0f, 1.0f, r.x0, r.y0, 0.0f, 0.0f, r.x0, r.y1,' \
    '{0.0f, 0.0f, r.x0, r.y0, 0.0f, 1.0f, r.x0, r.y1,' \
    'ImageLayer|FastPathPicture'
mutant layer-alpha-without-opacity render/scene_gl.cpp \
    'c[3] = s.opacity ? s.opacityValue : 1.0f;' \
    'c[3] = s.opacityValue;' \
    'ImageLayer|FastPathPicture'
mutant bezier-far-control-point render/bezier.cpp \
    'control[3] = {farX, Y, static_cast<float>(Z + farDz)};' \
    'control[3] = {farX, Y, static_cast<float>(Z - farDz)};' \
    'Bezier|FastPathPicture'
mutant png-red-blue-swapped export/png.cpp \
    'png_write_info(png, info);' \
    'png_write_info(png, info);
    png_set_bgr(png);' \
    'Capture|Dev\.|BundledShow'
mutant 3ds-chunk-skip-off-by-one assets/load3ds.cpp \
    'in.pos += length - 6;' \
    'in.pos += length - 5;' \
    'Load3DS|Model|AssetsMode'
# ---------------------------------------------------------------------------

full=0
pick=()
for a in "$@"; do
    case $a in
    --full) full=1 ;;
    -h | --help)
        sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    *) pick+=("$a") ;;
    esac
done
if ((${#pick[@]})); then
    for p in "${pick[@]}"; do
        printf '%s\n' "${names[@]}" | grep -qx -- "$p" || {
            echo "mutants: no mutation named $p" >&2
            exit 2
        }
    done
fi
chosen() {
    ((${#pick[@]} == 0)) && return 0
    printf '%s\n' "${pick[@]}" | grep -qx -- "$1"
}

# The scratch copy: every file git tracks or would track, copied only when it
# differs (a copied file gets a fresh time, so ninja rebuilds what uses it);
# files gone from the tree are removed from the copy.
sync_copy() {
    mkdir -p "$src"
    local list f
    list=$(cd "$root" && git ls-files -co --exclude-standard | sort -u)
    while IFS= read -r f; do
        [ -f "$root/$f" ] || continue
        if ! cmp -s "$root/$f" "$src/$f"; then
            mkdir -p "$(dirname "$src/$f")"
            cp "$root/$f" "$src/$f"
        fi
    done <<<"$list"
    (cd "$src" && find . -type f | sed 's|^\./||' | sort) | comm -23 - <(printf '%s\n' "$list") |
        while IFS= read -r f; do rm -f "$src/$f"; done
}

current=""
restore() { # puts the mutated file back as it is in the tree, with a fresh time
    [ -n "$current" ] && cp "$root/$current" "$src/$current"
    current=""
}
trap 'restore; echo; echo "mutants: interrupted" >&2; exit 130' INT TERM
trap restore EXIT

build_copy() {
    cmake --build "$build" -j"$jobs" >"$work/build.log" 2>&1
}

# ctest over the tests matching $1 (all when empty); prints the failed ones.
run_tests() {
    local regex=$1 args=(--test-dir "$build" -j"$jobs" --timeout 300)
    [ -n "$regex" ] && args+=(-R "$regex")
    ctest "${args[@]}" >"$work/ctest.log" 2>&1
    local rc=$?
    sed -n '/The following tests FAILED:/,$p' "$work/ctest.log" | grep -E '^\s+[0-9]+ - ' |
        sed -E 's/^\s+[0-9]+ - ([^ ]+).*/\1/' | tr '\n' ' '
    return $rc
}

count_tests() {
    local args=(--test-dir "$build" -N)
    [ -n "$1" ] && args+=(-R "$1")
    ctest "${args[@]}" 2>/dev/null | sed -n 's/^Total Tests: //p'
}

echo "== scratch copy in $work"
sync_copy
if [ ! -f "$build/build.ninja" ]; then
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$src" -B "$build" -G Ninja "${launcher[@]}" >"$work/configure.log" 2>&1 || {
        echo "mutants: cannot configure the scratch copy (see $work/configure.log)" >&2
        exit 2
    }
fi
build_copy || {
    echo "mutants: the unmutated copy does not build (see $work/build.log)" >&2
    exit 2
}

# The unmutated tree must pass every test that is asked to catch something.
# (One alternation without groups: ctest's regular expressions allow few.)
union=""
for i in "${!names[@]}"; do
    chosen "${names[$i]}" || continue
    union+="${union:+|}${tests[$i]}"
done
((full)) && union=""
ran=$(count_tests "$union")
if [ "${ran:-0}" -eq 0 ]; then
    echo "mutants: no test matches $union" >&2
    exit 2
fi
echo "== unmutated run of $ran tests"
failed=$(run_tests "$union") || {
    echo "mutants: the unmutated copy fails: $failed(see $work/ctest.log)" >&2
    exit 2
}

caught=0 survived=0 skipped=0 total=0
for i in "${!names[@]}"; do
    name=${names[$i]} file=${files[$i]} find=${finds[$i]} repl=${repls[$i]}
    chosen "$name" || continue
    total=$((total + 1))
    regex=${tests[$i]}
    ((full)) && regex=""

    text=$(
        cat "$src/$file" 2>/dev/null
        printf x
    )
    text=${text%x}
    rest=${text//"$find"/}
    n=$(((${#text} - ${#rest}) / ${#find}))
    if ((n != 1)); then
        printf '%-12s %-28s %s: the text is found %d times\n' "NOT APPLIED" "$name" "$file" "$n"
        skipped=$((skipped + 1))
        continue
    fi
    current=$file
    printf '%s' "${text/"$find"/"$repl"}" >"$src/$file"
    if ! build_copy; then
        printf '%-12s %-28s %s: the mutant does not build (%s)\n' "NOT APPLIED" "$name" "$file" \
            "$(grep -m1 'error:' "$work/build.log" | cut -c1-100)"
        skipped=$((skipped + 1))
        restore
        continue
    fi
    ran=$(count_tests "$regex")
    if [ "${ran:-0}" -eq 0 ]; then
        printf '%-12s %-28s %s: no test matches %s\n' "NOT APPLIED" "$name" "$file" "$regex"
        skipped=$((skipped + 1))
        restore
        continue
    fi
    if failed=$(run_tests "$regex"); then
        printf '%-12s %-28s %s: %s tests pass\n' "SURVIVED" "$name" "$file" "$ran"
        survived=$((survived + 1))
    else
        printf '%-12s %-28s %s: failed %s\n' "caught" "$name" "$file" "${failed:-(see ctest.log)}"
        caught=$((caught + 1))
    fi
    restore
done
build_copy || true # leave the copy built as the tree is

echo "== $total mutations: $caught caught, $survived survived, $skipped not applied"
((caught == total))
