#!/usr/bin/env bash
# Builds the plug-in, corpus and catalog tests with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ (or $GLIMR_ASAN_BUILD_DIR) and
# runs them under Xvfb. Any sanitizer report fails the run, leaks included
# (Qt reports none in these tests, so no suppression list is needed).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/build-and-run.sh
BUILD_DIR=${GLIMR_ASAN_BUILD_DIR:-build-asan}
TESTS=(test_plugins test_formats test_corpus test_catalog test_imagefileinfo)
# GCC's array-bounds analysis misreads the sanitizers' instrumentation of
# Qt's shared empty byte array (false reports in this build only).
FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -Wno-array-bounds"

if [[ ! -f "$BUILD_DIR/build.ninja" ]]; then
  # The flags go in through the standard variables, so the plug-ins (shared
  # modules) and the tests are instrumented alike without a project option.
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS="$FLAGS" -DCMAKE_CXX_FLAGS="$FLAGS" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCMAKE_MODULE_LINKER_FLAGS="-fsanitize=address,undefined" \
    ${GLIMR_CMAKE_ARGS:-}
fi
export ASAN_OPTIONS="halt_on_error=1 detect_leaks=1 print_stacktrace=1 ${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1 ${UBSAN_OPTIONS:-}"
build_and_run "$BUILD_DIR" "AddressSanitizer, UndefinedBehaviorSanitizer" "${TESTS[@]}"
