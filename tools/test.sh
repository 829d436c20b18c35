#!/usr/bin/env bash
# Installs what Tamarack needs, builds it and runs every test: the unit and
# end-to-end tests, the same again under AddressSanitizer + UBSan, and short
# libFuzzer runs on every parser of outside input (FUZZ_SECONDS each, default 20),
# and the Windows build (tools/build-windows.sh) under Wine against the Linux one.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-20}

tools/install-deps.sh

echo "== build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== build and test with AddressSanitizer + UBSan"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMARACK_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
export ASAN_OPTIONS=abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The shell tools and the packaging were tested above; they hold no code of ours.
ctest --test-dir build-asan --output-on-failure -j"$jobs" -LE nosan

echo "== fuzz each parser for ${fuzz_seconds} s"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMARACK_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
# Only the fuzz targets and the libraries they link.
targets=()
for f in tests/fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
cmake --build build-fuzz -j"$jobs" --target "${targets[@]}"
fuzzers=(build-fuzz/tests/fuzz/fuzz_*)
for f in "${fuzzers[@]}"; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  corpus=build-fuzz/corpus-$name
  mkdir -p "$corpus"
  seeds=()
  [ -d "tests/fuzz/seeds/$name" ] && seeds=("tests/fuzz/seeds/$name")
  # An input that takes longer than this is a failure: the script loader
  # bounds its work by the size of the file.
  limit=()
  [ "$name" = fuzz_script ] && limit=(-timeout=2)
  echo "-- $name"
  "$f" -max_total_time="$fuzz_seconds" "${limit[@]}" -print_final_stats=0 "$corpus" "${seeds[@]}" 2>&1 | tail -n 3
done
echo "fuzzing: ${#fuzzers[@]} targets, no crash"

echo "== build for Windows and test it under Wine"
# The libraries are built once into ~/.cache/tamarack/windows-deps (the
# first time takes a quarter of an hour or more); later runs reuse them.
tools/build-windows.sh
version=$(sed -n 's/^project(tamarack VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
bash tests/windows/wine.sh "build-windows/tamarack-$version-windows-x64.zip" build/tamarack build/tests/tamarack-xclose
