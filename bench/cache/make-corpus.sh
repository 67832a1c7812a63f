#!/usr/bin/env bash
# Makes the photo corpus for the cache benchmark: 24 JPEGs of 4096 x 3072
# (12.6 MP, quality 92) from the GNOME wallpapers, with sensor-like noise so
# they carry the entropy of real photos, plus a folder of 500 names (hard
# links to them) for the memory run. Needs libvips-tools and
# gnome-backgrounds (apt-get install libvips-tools gnome-backgrounds).
set -euo pipefail
OUT=${1:-$(dirname "$0")/corpus}
SRC=/usr/share/backgrounds/gnome
mkdir -p "$OUT/photos" "$OUT/folder500"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
vips gaussnoise "$tmp/noise.v" 4096 3072 --sigma 7 --mean 0
i=0
for f in "$SRC"/*.webp; do
  for turn in 0 180; do
    name=$(printf "%s/photos/p%02d.jpg" "$OUT" $i)
    if [[ ! -f "$name" ]]; then
      vips extract_area "$f" "$tmp/crop.v" 0 512 4096 3072
      [[ $turn == 180 ]] && { vips rot "$tmp/crop.v" "$tmp/rot.v" d180; mv "$tmp/rot.v" "$tmp/crop.v"; }
      vips add "$tmp/crop.v" "$tmp/noise.v" "$tmp/sum.v"
      vips cast "$tmp/sum.v" "$tmp/u8.v" uchar
      vips jpegsave "$tmp/u8.v" "$name" --Q 92
    fi
    i=$((i + 1))
    [[ $i -ge 24 ]] && break 2
  done
done
for n in $(seq 0 499); do
  ln -f "$OUT/photos/p$(printf %02d $((n % 24))).jpg" "$OUT/folder500/f$(printf %03d $n).jpg"
done
echo "corpus in $OUT"
