#!/usr/bin/env bash
# Prepares the photographs for bench_decode: the nature photos of Debian's
# mate-backgrounds package (installed by hand for the benchmark only:
# apt-get install mate-backgrounds libjpeg-turbo-progs), re-encoded by
# bench_decode itself to 12-24 MP baseline JPEGs, plus the package's one
# photograph that is already that large, as it is.
#   bench/decode/prepare_corpus.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=${1:-build}
SRC=/usr/share/backgrounds/mate
if [[ ! -d $SRC/nature ]]; then
  echo "install the photographs first: apt-get install mate-backgrounds libjpeg-turbo-progs" >&2
  exit 1
fi
OUT="$BUILD/bench-corpus/decode"
mkdir -p "$OUT"
"$BUILD/bin/bench_decode" --prepare "$OUT" "$SRC"/nature/*.jpg
cp "$SRC/abstract/Elephants_5640x3172.jpg" "$OUT/"
echo "corpus in $OUT"
