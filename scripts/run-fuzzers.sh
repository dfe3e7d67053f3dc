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
# The libraries under test get libFuzzer's coverage hooks and the sanitizers
# too, so the fuzzer is guided by (and checks) their code, not only the target's.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer" \
  -DTAMSEL_FUZZERS=ON -DTAMSEL_BENCHMARKS=OFF >/dev/null
# One target per fuzz/fuzz_*.cpp, named after the file (as the top CMakeLists builds them).
targets=$(find fuzz -maxdepth 1 -name 'fuzz_*.cpp' -printf '%f\n' 2>/dev/null | sed 's/\.cpp$//' | sort)
if [ -z "$targets" ]; then
  echo "fuzz: no fuzz targets yet"
  exit 0
fi
cmake --build "$build" -j "$(nproc)" --target $targets
for target in $targets; do
  echo "fuzz: $target for ${seconds}s"
  corpus="$build/corpus-$target"
  mkdir -p "$corpus"
  options=(-max_total_time="$seconds" -print_final_stats=0)
  # A dictionary beside the target (fuzz/<target>.dict) guides the fuzzer.
  if [ -f "fuzz/$target.dict" ]; then
    options+=(-dict="fuzz/$target.dict")
  fi
  # Seed inputs (fuzz/seeds/<target>/) are read, never written: new inputs go to the corpus.
  seeds=()
  if [ -d "fuzz/seeds/$target" ]; then
    seeds+=("fuzz/seeds/$target")
  fi
  "$build/$target" "${options[@]}" "$corpus" ${seeds[@]+"${seeds[@]}"} 2>&1 | tail -n 3
done
