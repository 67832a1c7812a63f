#!/usr/bin/env bash
# Builds the thumbnail cache and loader tests with ThreadSanitizer in
# build-tsan/ (or $GLIMR_TSAN_BUILD_DIR) and runs them under Xvfb. Any data
# race or lock-order report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${GLIMR_TSAN_BUILD_DIR:-build-tsan}
TESTS=(test_cache test_loader test_cache_catalog)

if [[ ! -f "$BUILD_DIR/build.ninja" ]]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLIMR_TSAN=ON
fi
targets=()
known=$(cmake --build "$BUILD_DIR" --target help)
for t in "${TESTS[@]}"; do
  # test_cache_catalog exists only when the catalog statements are built.
  if grep -q "^$t:" <<<"$known"; then
    targets+=("$t")
  fi
done
cmake --build "$BUILD_DIR" -j "$(nproc)" --target "${targets[@]}"

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/cache/tsan.supp ${TSAN_OPTIONS:-}"
export QT_QPA_PLATFORM=offscreen
status=0
for t in "${targets[@]}"; do
  echo "== $t (ThreadSanitizer)"
  if ! xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD_DIR/bin/$t"; then
    status=1
  fi
done
exit $status
