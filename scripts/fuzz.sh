#!/usr/bin/env bash
# fuzz.sh [SECONDS]: builds the fuzz targets with clang (ASan + UBSan + libFuzzer) in build-fuzz,
# writes the seed corpora and fuzzes, each in one process: the catalogue reader for SECONDS
# (default 60), the thumbnail decoder for half as long, the EXIF reader and the thumbnail facts
# reader for at most 15 s each, then the video, camera RAW and HEIF readers for at most 20 s each.
# Exits non-zero when the fuzzer finds a crash, a leak or a hang; the input is kept in
# build-fuzz/artifacts/.
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
build=build-fuzz
artifacts="$build/artifacts"
seeds="$build/seeds"

echo "== configure $build with clang (QUORVEL_FUZZ=ON)"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQUORVEL_FUZZ=ON -DQUORVEL_GUI=OFF -DQUORVEL_TESTS=OFF -DQUORVEL_BENCH=OFF

echo "== build the fuzz targets and make_fuzz_seeds"
cmake --build "$build" -j2 --target fuzz_catalog fuzz_jpeg fuzz_exif fuzz_facts fuzz_video \
  fuzz_raw fuzz_heif make_fuzz_seeds

echo "== write the seeds"
rm -rf "$seeds"  # generated: only what is written here belongs here
"$build/fuzz/make_fuzz_seeds" "$seeds/catalog" "$seeds/jpeg" "$seeds/exif" "$seeds/raw" \
  "$seeds/facts"

# Videos of 64 x 48 and ten frames in several containers.
mkdir -p "$seeds/video"
for seed in "mp4 libx264" "mkv libvpx-vp9" "webm libvpx" "avi mpeg4" "mov mjpeg" "mpg mpeg2video" \
  "wmv wmv2" "flv flv" "mts libx264"; do
  set -- $seed
  ffmpeg -y -loglevel error -f lavfi -i testsrc=size=64x48:rate=5:duration=2 -c:v "$2" -g 5 \
    -pix_fmt yuv420p "$seeds/video/seed-$2.$1"
done
ffmpeg -y -loglevel error -f lavfi -i testsrc=size=128x96:rate=5:duration=2 -c:v h263 \
  "$seeds/video/seed-h263.3gp"

# Tiny HEIC and AVIF files (one with a stored thumbnail, one with alpha) encoded by heif-enc from
# a frame of ffmpeg's test pattern.
heif_seeds="$seeds/heif"
mkdir -p "$heif_seeds"
ffmpeg -loglevel error -y -f lavfi -i testsrc=size=64x48 -frames:v 1 -pix_fmt rgb24 \
  "$heif_seeds/pattern.png"
ffmpeg -loglevel error -y -f lavfi -i testsrc=size=32x24 -frames:v 1 -pix_fmt rgba \
  "$heif_seeds/alpha.png"
ffmpeg -loglevel error -y -f lavfi -i testsrc=size=160x120 -frames:v 1 -pix_fmt rgb24 \
  "$heif_seeds/large.png"
heif-enc -q 30 -p preset=ultrafast "$heif_seeds/pattern.png" -o "$heif_seeds/pattern.heic"
heif-enc -q 10 -p preset=ultrafast -t 100 "$heif_seeds/large.png" -o "$heif_seeds/thumb.heic"
heif-enc -q 30 -p speed=9 "$heif_seeds/pattern.png" -o "$heif_seeds/pattern.avif"
heif-enc -q 30 -p speed=9 "$heif_seeds/alpha.png" -o "$heif_seeds/alpha.avif"
rm "$heif_seeds"/*.png

# fuzz TARGET SECONDS [libFuzzer flags...]
fuzz() {
  local target="$1" time="$2"
  shift 2
  local corpus="$build/corpus/${target#fuzz_}"
  echo "== $target for $time s (corpus $corpus)"
  mkdir -p "$corpus" "$artifacts"
  local status=0
  "$build/fuzz/$target" "$corpus" "$seeds/${target#fuzz_}" "$@" \
    -max_total_time="$time" -timeout=10 -artifact_prefix="$artifacts/" -print_final_stats=1 ||
    status=$?
  if [ "$status" -ne 0 ]; then
    echo "== $target failed (exit $status); the input is in $artifacts/" >&2
    exit "$status"
  fi
  echo "== $target: no crash in $time s"
}

short=$(( seconds < 20 ? seconds : 20 ))
fuzz fuzz_catalog "$seconds" -dict=fuzz/catalog.dict
fuzz fuzz_jpeg "$(( (seconds + 1) / 2 ))"
fuzz fuzz_exif "$(( seconds < 15 ? seconds : 15 ))"
fuzz fuzz_facts "$(( seconds < 15 ? seconds : 15 ))" -dict=fuzz/facts.dict
fuzz fuzz_video "$short"
fuzz fuzz_raw "$short"
# A leak that libheif leaves in libdav1d is suppressed (fuzz/libheif.supp says which).
LSAN_OPTIONS="suppressions=$root/fuzz/libheif.supp" fuzz fuzz_heif "$short"
