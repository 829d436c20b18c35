#!/usr/bin/env bash
# Remakes the bundled show's assets from the built tools:
#   tools/make_show.sh BUILD_DIR [SHOW_DIR]
# BUILD_DIR is the CMake build folder that holds tools/tamarack-make_*.
# SHOW_DIR is the show folder, which gets the files in its data/; it defaults
# to the project itself. The pictures, models and music in SHOW_DIR/data are
# replaced; data/script.txt is written by hand and is copied there when
# SHOW_DIR is another folder, so that SHOW_DIR is then a whole show that
# `tamarack SHOW_DIR` plays. The same build always writes the same bytes.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: tools/make_show.sh BUILD_DIR [SHOW_DIR]" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$1/tools"
out="${2:-$root}/data"
for t in make_jpeg make_3ds make_music; do
  if [ ! -x "$bin/tamarack-$t" ]; then
    echo "make_show.sh: $bin/tamarack-$t is missing; build the project first" >&2
    exit 1
  fi
done

mkdir -p "$out"
rm -f "$out"/*.jpg "$out"/*.3ds "$out"/*.xm
"$bin/tamarack-make_jpeg" "$out"
"$bin/tamarack-make_3ds" "$out"
"$bin/tamarack-make_music" "$out/theme.xm"
if [ "$(cd "$out" && pwd)" != "$root/data" ]; then
  cp "$root/data/script.txt" "$out/script.txt"
fi
