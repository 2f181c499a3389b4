#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Quorvel needs. Idempotent:
# asks apt only when something is missing.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config
  qt6-base-dev libjpeg62-turbo-dev
  # videos, camera RAW, HEIF and AVIF
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libraw-dev libheif-dev
  # Qt's own texts (message box buttons, file dialogs) in Russian
  qt6-translations-l10n
  # image readers for WebP, TIFF and more; djpeg, the renderer's peer in its benchmark
  qt6-image-formats-plugins libjpeg-turbo-progs
  # the photographs that bench_add_disk catalogues, and vipsthumbnail, its peer there
  mate-backgrounds ukui-wallpapers libvips-tools
  # bench_disc_scan's camera-like photographs made from them, with an EXIF block
  imagemagick libimage-exiftool-perl
  # the fixtures of the video, RAW and HEIF tests and the peers they and the benchmark compare with
  ffmpeg ffmpegthumbnailer libheif-examples heif-thumbnailer libraw-bin
  # tests, benchmarks, fuzzing; mkfs.vfat for bench_locate_disk's FAT image
  googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev dosfstools
  # running without a desktop (sample run, screenshots) and fonts for offscreen widget tests
  xvfb xauth fonts-dejavu-core fonts-urw-base35
  # tests of what the screen shows: a window manager on their X server, and real pointer input
  openbox xdotool
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
