#!/usr/bin/env bash
# fuzz.sh [SECONDS]: builds the fuzz targets with clang (ASan + UBSan + libFuzzer) in build-fuzz,
# writes the seed corpus and fuzzes the catalogue reader for SECONDS (default 60) in one process.
# Exits non-zero when the fuzzer finds a crash, a leak or a hang; the input is kept in
# build-fuzz/artifacts/.
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
build=build-fuzz
seeds="$build/seeds/catalog"
corpus="$build/corpus/catalog"
artifacts="$build/artifacts"

echo "== configure $build with clang (QUORVEL_FUZZ=ON)"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQUORVEL_FUZZ=ON -DQUORVEL_GUI=OFF -DQUORVEL_TESTS=OFF -DQUORVEL_BENCH=OFF

echo "== build fuzz_catalog and make_fuzz_seeds"
cmake --build "$build" -j2 --target fuzz_catalog make_fuzz_seeds

echo "== write the seeds to $seeds"
rm -rf "$seeds"  # generated: only what make_fuzz_seeds writes belongs here
"$build/fuzz/make_fuzz_seeds" "$seeds"

echo "== fuzz_catalog for $seconds s (corpus $corpus)"
mkdir -p "$corpus" "$artifacts"
status=0
"$build/fuzz/fuzz_catalog" "$corpus" "$seeds" \
  -dict=fuzz/catalog.dict -max_total_time="$seconds" -timeout=10 \
  -artifact_prefix="$artifacts/" -print_final_stats=1 || status=$?
if [ "$status" -ne 0 ]; then
  echo "== fuzz_catalog failed (exit $status); the input is in $artifacts/" >&2
  exit "$status"
fi
echo "== no crash in $seconds s"
