#!/usr/bin/env bash
# Makes camera- and phone-like videos and HEIF pictures for bench_formats in OUTDIR:
#   OUTDIR/video/          4 H.264 mp4 at 1920x1080, 30 fps, 20 to 30 s, a key frame every second
#                          as cameras write them: two of ffmpeg's testsrc2, two panning over a
#                          wallpaper, all with a little moving noise
#   OUTDIR/video-longgop/  one 20 s mp4 with a key frame every 10 s
#   OUTDIR/video-other/    the first pan in Matroska (.mkv) and in an MPEG transport stream (.mts,
#                          as camcorders write AVCHD), stream-copied
#   OUTDIR/heic/, OUTDIR/avif/                 3 pictures of 4032x3024 (12 MP, a phone's 4:3) with
#                                              a stored 320x240 thumbnail, as phones store it
#   OUTDIR/heic-nothumb/, OUTDIR/avif-nothumb/ 2 such pictures without one
# The pictures are wallpapers of mate-backgrounds and ukui-wallpapers with a little sensor noise.
# x265 runs at its ultrafast preset and aom at speed 9, so that the corpus takes a couple of
# minutes on two cores; what a phone's encoder spends does not change what decoding costs.
# Idempotent: an OUTDIR made complete by the same version of this script is left as it is.
# Needs ffmpeg (with libx264), heif-enc (libheif-examples) and convert (imagemagick).
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
out=$1
version="media corpus 1"
if [ -f "$out/.complete" ] && [ "$(cat "$out/.complete")" = "$version" ]; then
  exit 0
fi
for tool in ffmpeg heif-enc convert; do
  if ! command -v "$tool" >/dev/null; then
    echo "$0: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 2
  fi
done
wallpapers=(/usr/share/backgrounds/string.jpg /usr/share/backgrounds/rhythm.jpg
  /usr/share/backgrounds/the-mouse.jpg /usr/share/backgrounds/2004default.jpg
  /usr/share/backgrounds/firstgeneration.jpg)
for file in "${wallpapers[@]}"; do
  if [ ! -f "$file" ]; then
    echo "$0: $file is missing (apt-get install mate-backgrounds ukui-wallpapers)" >&2
    exit 2
  fi
done

sets=(video video-longgop video-other heic heic-nothumb avif avif-nothumb)
for set in "${sets[@]}" .work .complete; do rm -rf "${out:?}/$set"; done
for set in "${sets[@]}" .work; do mkdir -p "$out/$set"; done
work=$out/.work

# SOURCE_ARGS... OUTPUT SECONDS GOP: H.264 at 1080p30 with moving noise, as a camera records.
encode() {
  local output=${*: -3:1} seconds=${*: -2:1} gop=${*: -1:1}
  ffmpeg -v error -nostdin -y "${@:1:$#-3}" -t "$seconds" -r 30 \
    -c:v libx264 -preset ultrafast -g "$gop" -keyint_min "$gop" -pix_fmt yuv420p "$output"
}
testsrc() {
  encode -f lavfi -i "testsrc2=size=1920x1080:rate=30" -vf "noise=alls=6:allf=t" "$@"
}
# A pan across a 2560x1440 crop of the wallpaper $1.
pan() {
  local still=$work/pan_$(basename "$1")
  convert -quiet "$1" -resize '2560x1440^' -gravity center -extent 2560x1440 -quality 95 "$still"
  local seconds=$3
  encode -i "$still" -vf "loop=loop=-1:size=1:start=0,setpts=N/30/TB,crop=1920:1080:\
x='(iw-1920)*t/$seconds':y='(ih-1080)*t/$seconds',noise=alls=6:allf=t" "${@:2}"
}
testsrc "$out/video/MVI_0001.mp4" 20 30
testsrc "$out/video/MVI_0002.mp4" 30 30
pan "${wallpapers[0]}" "$out/video/MVI_0003.mp4" 20 30
pan "${wallpapers[1]}" "$out/video/MVI_0004.mp4" 25 30
pan "${wallpapers[2]}" "$out/video-longgop/MVI_0005.mp4" 20 300
ffmpeg -v error -nostdin -y -i "$out/video/MVI_0003.mp4" -c copy "$out/video-other/MVI_0003.mkv"
ffmpeg -v error -nostdin -y -i "$out/video/MVI_0003.mp4" -c copy -f mpegts \
  "$out/video-other/00003.mts"

for i in "${!wallpapers[@]}"; do
  master=$work/master_$i.jpg
  convert -quiet "${wallpapers[i]}" -resize '4032x3024^' -gravity center -extent 4032x3024 \
    -attenuate 0.3 +noise Gaussian -quality 95 "$master"
  name=$(printf 'IMG_%04d' $((i + 1)))
  thumb=(-t 320)
  suffix=""
  if [ "$i" -ge 3 ]; then
    thumb=()
    suffix=-nothumb
  fi
  heif-enc -q 60 -p preset=ultrafast "${thumb[@]}" -o "$out/heic$suffix/$name.heic" "$master" \
    >/dev/null
  heif-enc -A -q 60 -p speed=9 "${thumb[@]}" -o "$out/avif$suffix/$name.avif" "$master" \
    >/dev/null
done
rm -rf "$work"
echo "$version" >"$out/.complete"
