#!/usr/bin/env bash
# Builds the thumbnail cache and loader tests with ThreadSanitizer in
# build-tsan/ (or $GLIMR_TSAN_BUILD_DIR) and runs them under Xvfb. Any data
# race or lock-order report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/build-and-run.sh
BUILD_DIR=${GLIMR_TSAN_BUILD_DIR:-build-tsan}

if [[ ! -f "$BUILD_DIR/build.ninja" ]]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLIMR_TSAN=ON
fi
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/cache/tsan.supp ${TSAN_OPTIONS:-}"
build_and_run "$BUILD_DIR" ThreadSanitizer test_cache test_loader test_cache_catalog test_browse
