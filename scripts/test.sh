#!/usr/bin/env bash
# Builds and runs every test:
#   1. Linux debug build under AddressSanitizer and UndefinedBehaviorSanitizer: unit and
#      end-to-end tests;
#   2. the Windows product cross-built with MinGW: the same unit tests and the end-to-end programs
#      under wine, against the native PLC simulator that step 1 built;
#   3. the Linux release build that the demo runs (it must build without a warning too);
#   4. the libFuzzer targets (clang), each for ZAN_FUZZ_SECONDS seconds (default 15).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test

export WINEDEBUG=-all
jobs=$(nproc)

echo "== Linux, sanitizers"
cmake --preset linux-debug >/dev/null
cmake --build --preset linux-debug -j "$jobs"
ctest --preset linux-debug -j "$jobs"

echo "== Windows (MinGW, wine)"
export ZAN_NATIVE_PLCSIM="$PWD/build/linux-debug/bin/zanplcsim"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
ctest --preset windows

echo "== Linux release (the demo's build, with the benchmarks)"
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$jobs"

echo "== Fuzz targets"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
scripts/run-fuzzers.sh build/fuzz/bin "${ZAN_FUZZ_SECONDS:-15}"

echo "All tests passed."
