#!/usr/bin/env bash
# Makes camera-like photographs for bench_disc_scan in OUTDIR, from the JPEG wallpapers of
# mate-backgrounds and ukui-wallpapers: 16 distinct pictures at 12 and 24 megapixels, 4:3 and 3:2,
# with a little sensor noise so that they weigh what a camera's JPEGs weigh, and an EXIF block
# written by exiftool (make, model, date, an orientation on some). Three quarters carry a
# 160 x 120 EXIF thumbnail, letterboxed with black bars for the 3:2 ones as cameras do:
#   OUTDIR/embedded/  the 12 pictures with an EXIF thumbnail
#   OUTDIR/plain/     the 4 pictures without one
#   OUTDIR/copies/    hard links to embedded/, 14 of each: enough files for a whole `qrvtool add`
# Idempotent: an OUTDIR made complete by the same version of this script is left as it is.
# Needs convert (imagemagick) and exiftool (libimage-exiftool-perl).
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
out=$1
version="camera corpus 1"
if [ -f "$out/.complete" ] && [ "$(cat "$out/.complete")" = "$version" ]; then
  exit 0
fi
for tool in convert exiftool dpkg-query sha256sum; do
  if ! command -v "$tool" >/dev/null; then
    echo "$0: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 2
  fi
done

# Width x height of each picture in turn: 12 MP 4:3, 12 MP 3:2, 24 MP 4:3, 24 MP 3:2.
sizes=(4000x3000 4242x2828 5656x4242 6000x4000)
# The pictures without an EXIF thumbnail, one of each size.
plain=" 3 6 9 12 "
# EXIF orientation of some pictures (the pixels stay as the sensor gave them, as in a camera).
declare -A orientation=([2]=6 [5]=6 [9]=6 [10]=8 [13]=3)
cameras=("Canon|Canon EOS 2000D" "NIKON CORPORATION|NIKON D3500" "SONY|ILCE-6000"
  "OLYMPUS CORPORATION|E-M10MarkIII")
copies=14
count=16

# The largest distinct wallpapers: one file per content, and one per picture where a package
# ships the same picture at several sizes (Name.jpg, Name_3840x2160.jpg).
mapfile -t masters < <(
  dpkg-query -L mate-backgrounds ukui-wallpapers | grep -iE '\.jpe?g$' | while read -r file; do
    if [ -f "$file" ] && [ ! -L "$file" ]; then
      name=$(basename "$file")
      echo "$(stat -c %s "$file") $(sha256sum <"$file" | cut -c1-16) ${name%%[._]*} $file"
    fi
  done | sort -rn | awk '!seen[$2]++ && !stem[$3]++ { print $4 }' | head -n "$count"
)
if [ ${#masters[@]} -lt $count ]; then
  echo "$0: found ${#masters[@]} distinct JPEG wallpapers, need $count" \
    "(apt-get install mate-backgrounds ukui-wallpapers)" >&2
  exit 2
fi

rm -rf "$out/embedded" "$out/plain" "$out/copies" "$out/.work" "$out/.complete"
mkdir -p "$out/embedded" "$out/plain" "$out/copies" "$out/.work"
for i in $(seq 0 $((count - 1))); do
  size=${sizes[i % 4]}
  share=embedded
  [[ $plain == *" $i "* ]] && share=plain
  picture=$(printf '%s/%s/IMG_%04d.jpg' "$out" "$share" $((i + 1)))
  convert "${masters[i]}" -resize "$size^" -gravity center -extent "$size" \
    -attenuate 0.4 +noise Gaussian -strip -sampling-factor 2x2 -quality 92 "$picture"
  IFS='|' read -r make model <<<"${cameras[i % ${#cameras[@]}]}"
  tags=(-Make="$make" -Model="$model"
    -DateTimeOriginal="$(printf '2024:%02d:%02d 10:%02d:00' $((i % 12 + 1)) $((i + 1)) "$i")")
  if [ -n "${orientation[$i]:-}" ]; then tags+=(-Orientation#="${orientation[$i]}"); fi
  if [ $share = embedded ]; then
    thumb="$out/.work/thumb_$i.jpg"
    convert "$picture" -resize 160x120 -background black -gravity center -extent 160x120 \
      -strip -quality 90 "$thumb"
    tags+=("-ThumbnailImage<=$thumb")
  fi
  exiftool -q -overwrite_original "${tags[@]}" "$picture"
done
for picture in "$out"/embedded/*.jpg; do
  for n in $(seq 1 $copies); do
    ln "$picture" "$(printf '%s/copies/%02d_%s' "$out" "$n" "$(basename "$picture")")"
  done
done
rm -rf "$out/.work"
echo "$version" >"$out/.complete"
