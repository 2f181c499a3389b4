#!/usr/bin/env bash
# The peak resident memory of `qrvtool add` over folders of hostile files, as /usr/bin/time -v
# reports it, with the time each addition took. Usage: bench/hostile_add_memory.sh QRVTOOL
#   sparse       a 10 GB sparse file under each of the names png, tif, bmp, gif, webp, heic, jpg
#   signed       a JPEG signature and 10 GB of nothing, --timeout 8000
#   beside       the 10 GB JPEG-signed file among 60 wallpapers, --timeout 2000 --no-embedded
#   wallpapers   400 copies of the install script's wallpapers, --no-embedded
#   tiffs        six 7900 x 7900 TIFFs, each 240 MB decoded
# Sparse files take no disk space. Needs imagemagick (convert) and /usr/bin/time.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 QRVTOOL" >&2
  exit 2
fi
qrvtool="$(realpath "$1")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

mkdir sparse signed beside wallpapers tiffs
for suffix in png tif bmp gif webp heic jpg; do truncate -s 10G "sparse/big.$suffix"; done
printf '\xff\xd8\xff' > signed/big.jpg
truncate -s 10G signed/big.jpg
mapfile -t photos < <(find /usr/share/backgrounds -name '*.jpg' | sort)
for i in $(seq 0 399); do
  ln -s "${photos[i % ${#photos[@]}]}" "wallpapers/$(printf 'p%03d.jpg' "$i")"
done
for i in $(seq 0 59); do cp -P "wallpapers/$(printf 'p%03d.jpg' "$i")" beside/; done
cp signed/big.jpg beside/p030b.jpg
convert -size 7900x7900 xc:orange -depth 8 -type TrueColor -compress zip tiffs/0.tif
for i in 1 2 3 4 5; do cp tiffs/0.tif "tiffs/$i.tif"; done

measure() {
  local name="$1"
  shift
  /usr/bin/time -v "$qrvtool" add "$name.qrv" "$name" D "$@" >/dev/null 2>time.txt || true
  local kb seconds
  kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' time.txt)
  seconds=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' time.txt)
  printf '%-11s %6d MB  %s\n' "$name" $((kb / 1024)) "$seconds"
}

printf '%-11s %9s  %s\n' case peak elapsed
measure sparse
measure signed --timeout 8000
measure beside --timeout 2000 --no-embedded
measure wallpapers --no-embedded
measure tiffs
