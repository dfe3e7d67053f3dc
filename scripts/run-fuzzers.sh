#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given seconds.
# Skipped (with a note) where clang is not installed.
set -euo pipefail
build="${1:-build-fuzz}"
seconds="${2:-60}"
if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ not found, fuzzers skipped"
  exit 0
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DTAMSEL_FUZZERS=ON -DTAMSEL_BENCHMARKS=OFF >/dev/null
targets=$(cmake --build "$build" --target help | sed -n 's/^\(fuzz_[a-z_]*\):.*/\1/p')
if [ -z "$targets" ]; then
  echo "fuzz: no fuzz targets yet"
  exit 0
fi
cmake --build "$build" -j "$(nproc)" --target $targets
for target in $targets; do
  echo "fuzz: $target for ${seconds}s"
  corpus="$build/corpus-$target"
  mkdir -p "$corpus"
  "$build/$target" -max_total_time="$seconds" -print_final_stats=0 "$corpus" 2>&1 | tail -n 3
done
