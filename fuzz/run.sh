#!/usr/bin/env bash
# Builds the plug-in fuzz targets with clang into build-fuzz/ and runs each
# for the given number of seconds (default 60) on its seed corpus, two at a
# time at the lowest priority. New inputs go to build-fuzz/corpus/<plug-in>/,
# crashes to build-fuzz/findings/<plug-in>/.
#   fuzz/run.sh [SECONDS] [plug-in ...]     e.g. fuzz/run.sh 600 glimr_jpeg
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-60}
shift || true
BUILD=${GLIMR_FUZZ_BUILD_DIR:-build-fuzz}
# A lower pixel cap keeps each run fast (the limit logic is the same), and a
# small quarantine keeps ASan from spending seconds recycling the large
# blocks a decoder frees.
FLAGS="-g -O1 -fsanitize=fuzzer-no-link,address -DGLIMR_MAX_PIXELS=4000000LL"
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="$FLAGS" -DCMAKE_CXX_FLAGS="$FLAGS" \
  -DGLIMR_BUILD_FUZZ=ON -DGLIMR_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j 2 --target fuzz_all

plugins=("$@")
if ((${#plugins[@]} == 0)); then
  plugins=(glimr_jpeg glimr_png glimr_gif glimr_tiff glimr_webp glimr_qtformats glimr_heif glimr_jxl glimr_raw)
fi

run_one() {
  local p=$1
  local corpus="$BUILD/corpus/$p" findings="$BUILD/findings/$p"
  mkdir -p "$corpus" "$findings"
  cp -n fuzz/corpus/"$p"/* "$corpus"/ 2>/dev/null || true
  echo "== $p: ${SECONDS_EACH}s"
  nice -n 19 "$BUILD/bin/fuzz_$p" "$corpus" -max_total_time="$SECONDS_EACH" \
    -timeout=60 -rss_limit_mb=3072 -max_len=65536 -artifact_prefix="$findings/" \
    -print_final_stats=1 >"$BUILD/fuzz-$p.log" 2>&1 && echo "== $p: no finding" ||
    { echo "== $p: FINDING, see $BUILD/fuzz-$p.log and $findings"; return 1; }
}

status=0
for ((i = 0; i < ${#plugins[@]}; i += 2)); do
  run_one "${plugins[i]}" & a=$!
  b=""
  if ((i + 1 < ${#plugins[@]})); then
    run_one "${plugins[i + 1]}" & b=$!
  fi
  wait $a || status=1
  if [[ -n $b ]]; then wait $b || status=1; fi
done
exit $status
