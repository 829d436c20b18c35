#!/usr/bin/env bash
# Remakes the bundled show's assets from the built tools:
#   tools/make_show.sh BUILD_DIR [OUT_DIR]
# BUILD_DIR is the CMake build folder that holds tools/tamarack-make_*.
# OUT_DIR defaults to the project's data/. The pictures, models and music in
# it are replaced; data/script.txt is written by hand and is copied into
# OUT_DIR when OUT_DIR is another folder, so OUT_DIR is then a whole show.
# The same build always writes the same bytes.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: tools/make_show.sh BUILD_DIR [OUT_DIR]" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$1/tools"
out="${2:-$root/data}"
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
