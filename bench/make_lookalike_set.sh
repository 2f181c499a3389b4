#!/bin/sh
# Builds the look-alike benchmark's pictures into the folder given as argument:
#   originals/NAME.jpg        distinct pictures (JPEG quality 92)
#   copies/NAME__ALTERATION.* six altered copies of each
# Originals: the wallpapers under /usr/share/backgrounds, one of each family (Elephants.jpg for
# the three sizes of that picture, Ubuntu-Mate-Cold-no-logo.png for its colour variants,
# MATE-Stripes-Dark.png for its light twin), reduced to at most 1920 pixels, their colour
# channels only (several are almost wholly transparent, made to lie over a background colour:
# Silk, Spring and Waves are then blank white and left out; MATE-Stripes-Dark, blank too, stays
# as a blank picture that must get no fingerprint);
# single frames of ffmpeg's mandelbrot source at 15 centres x 4 zooms; Conway's life
# from 30 random boards (64 x 48 cells, shown 10 pixels a cell, after 20 generations); 30
# one-dimensional cellular automata (rule and seed each their own); 50 ImageMagick plasma
# fractals from their own seeds. Copies: resized to 50 % and to 25 %, recompressed at JPEG
# quality 50, 3 % cut off at one edge (the edge turns with each picture), made 15 % brighter
# (`-evaluate multiply 1.15`, clipping at white) and converted to PNG. Needs ffmpeg and
# ImageMagick's convert. Takes a few minutes on two cores.
set -eu
out=${1:?usage: make_lookalike_set.sh FOLDER}
mkdir -p "$out/originals" "$out/copies"
orig="$out/originals"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Wallpapers.
find /usr/share/backgrounds -type f \( -name '*.jpg' -o -name '*.png' \) | sort |
  grep -v -e 'Elephants_' -e 'Ubuntu-Mate-Dark' -e 'Ubuntu-Mate-Radioactive' \
    -e 'Ubuntu-Mate-Warm' -e 'MATE-Stripes-Light' \
    -e 'Silk' -e 'Spring' -e 'Waves' |
  while read -r file; do
    name=$(basename "$file" | sed 's/\.[^.]*$//')
    convert "$file" -alpha off -resize '1920x1920>' -quality 92 \
      "$orig/wall-$name.jpg"
  done

frame() {  # frame NAME LAVFI-SOURCE [FILTERS]
  ffmpeg -v error -y -f lavfi -i "$2" -vf "${3:-null}" -frames:v 1 "$tmp/$1.png"
  convert "$tmp/$1.png" -quality 92 "$orig/$1.jpg"
}

# Mandelbrot: places on the set's border at least 0.05 apart, each at four zooms, the widest
# showing 0.05 across, so that no two frames overlap.
n=0
for centre in -0.7453,0.1127 -1.4011,0.0 -0.39054,-0.58679 -1.25066,0.02012 \
  -0.1011,0.9563 -1.7687788,-0.0017390 0.0016437,-0.8224676 -0.170337,-1.06506 \
  0.42884,-0.231345 -1.62917,-0.0203968 -0.761574,-0.0847596 0.3245046,0.0485510 \
  -0.16070135,1.0375665 -0.235125,0.827215 -0.0452,0.9868; do
  x=${centre%,*}
  y=${centre#*,}
  for scale in 0.05 0.003 0.0002 0.00001; do
    n=$((n + 1))
    frame "mandel-$n" \
      "mandelbrot=s=640x480:start_x=$x:start_y=$y:start_scale=$scale:end_scale=$scale:maxiter=1500"
  done
done

# Life: random boards, cells shown large so that the thumbnail sees them.
for seed in $(seq 1 30); do
  ratio=$(echo "0.2 + ($seed % 5) * 0.1" | bc)
  frame "life-$seed" "life=s=64x48:seed=$seed:ratio=$ratio:rate=10:mold=0" \
    "trim=start_frame=20,scale=640:480:flags=neighbor"
done

# One-dimensional automata: the rows of one rule over time from a random first row.
seed=0
for rule in 18 22 26 30 45 54 57 60 62 73 75 86 89 90 101 102 105 110 122 124 126 129 135 137 \
  146 149 150 161 182 193; do
  seed=$((seed + 7))
  frame "cellauto-$rule" \
    "cellauto=s=80x60:rule=$rule:seed=$seed:random_fill_ratio=0.5:full=1:scroll=0" \
    "trim=start_frame=59,scale=640:480:flags=neighbor"
done

# Plasma fractals.
for seed in $(seq 1 50); do
  convert -size 640x480 -seed "$seed" plasma: -quality 92 "$orig/plasma-$seed.jpg"
done

# The copies.
edges="West North East South"
i=0
for file in "$orig"/*.jpg; do
  name=$(basename "$file" .jpg)
  i=$((i + 1))
  edge=$(echo $edges | cut -d' ' -f$((i % 4 + 1)))
  case $edge in
    West | East) chop=3%x0 ;;
    *) chop=0x3% ;;
  esac
  echo "$file $name $edge $chop"
done | xargs -P 2 -L 1 sh -c '
  file=$0 name=$1 edge=$2 chop=$3 dir='"$out/copies"'
  convert "$file" -resize 50% -quality 92 "$dir/${name}__half.jpg"
  convert "$file" -resize 25% -quality 92 "$dir/${name}__quarter.jpg"
  convert "$file" -quality 50 "$dir/${name}__q50.jpg"
  convert "$file" -gravity "$edge" -chop "$chop" -quality 92 "$dir/${name}__crop.jpg"
  convert "$file" -evaluate multiply 1.15 -quality 92 "$dir/${name}__bright.jpg"
  convert "$file" "$dir/${name}__png.png"
'
echo "$(ls "$orig" | wc -l) originals, $(ls "$out/copies" | wc -l) copies in $out"
