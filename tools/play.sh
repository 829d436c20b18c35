#!/usr/bin/env bash
# Installs what Tamarack needs, builds it and plays the bundled show in data/.
# Extra arguments go to tamarack (for example --window or --mute).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tamarack
exec build/tamarack "$@" .
