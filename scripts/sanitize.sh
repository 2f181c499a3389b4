#!/usr/bin/env bash
# sanitize.sh: builds everything but the windows and the benchmarks with AddressSanitizer and
# UBSan in build-asan and runs the tests there.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
build=build-asan

echo "== configure $build (QUORVEL_SANITIZE=ON)"
cmake -S . -B "$build" -G Ninja -DQUORVEL_SANITIZE=ON -DQUORVEL_GUI=OFF -DQUORVEL_BENCH=OFF

echo "== build"
cmake --build "$build" -j2

echo "== ctest"
# A report must fail the test, and a stack helps read it.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
cd "$build"
ctest --output-on-failure
