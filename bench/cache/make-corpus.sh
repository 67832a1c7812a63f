#!/usr/bin/env bash
# Makes the photo corpus for the cache benchmark: 24 JPEGs of 4096 x 3072
# (12.6 MP, quality 92) from the GNOME wallpapers, with sensor-like noise so
# they carry the entropy of real photos, plus folders of 100, 500 and 1000
# names (hard links to them) for the loader runs. Needs libvips-tools;
# without gnome-backgrounds the pictures are made from Perlin noise, one
# band per colour, under the same sensor noise.
set -euo pipefail
OUT=${1:-$(dirname "$0")/corpus}
SRC=/usr/share/backgrounds/gnome
mkdir -p "$OUT/photos"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
vips gaussnoise "$tmp/noise.v" 4096 3072 --sigma 7 --mean 0
i=0
if ! compgen -G "$SRC/*.webp" >/dev/null; then
  while [[ $i -lt 24 ]]; do
    name=$(printf "%s/photos/p%02d.jpg" "$OUT" $i)
    if [[ ! -f "$name" ]]; then
      for band in 0 1 2; do
        vips perlin "$tmp/b$band.v" 4096 3072 --uchar --cell-size $((96 + 64 * band + 8 * i)) \
          --seed $((i * 3 + band))
      done
      vips bandjoin "$tmp/b0.v $tmp/b1.v $tmp/b2.v" "$tmp/rgb.v"
      vips add "$tmp/rgb.v" "$tmp/noise.v" "$tmp/sum.v"
      vips cast "$tmp/sum.v" "$tmp/u8.v" uchar
      vips jpegsave "$tmp/u8.v" "$name" --Q 92
    fi
    i=$((i + 1))
  done
fi
for f in "$SRC"/*.webp; do
  [[ -f $f ]] || break
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
for size in 100 500 1000; do
  rm -rf "${OUT:?}/folder$size"
  mkdir -p "$OUT/folder$size"
  for n in $(seq 0 $((size - 1))); do
    ln -f "$OUT/photos/p$(printf %02d $((n % 24))).jpg" "$OUT/folder$size/f$(printf %04d $n).jpg"
  done
done
echo "corpus in $OUT"
