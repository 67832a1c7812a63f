#!/usr/bin/env bash
# Installs what is missing, builds Glimr and runs every test. GUI and OpenGL
# tests need a display, so the whole suite runs under Xvfb with Mesa.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
# The benchmarks are built (not run) so they cannot rot unseen.
GLIMR_CMAKE_ARGS="-DGLIMR_BUILD_BENCH=ON ${GLIMR_CMAKE_ARGS:-}" scripts/build.sh
BUILD_DIR=${GLIMR_BUILD_DIR:-build}

# A private runtime folder keeps Qt quiet and away from the user's session.
export XDG_RUNTIME_DIR=$(mktemp -d)
chmod 700 "$XDG_RUNTIME_DIR"
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT

# The thumbnail cache and loader tests again under ThreadSanitizer, and the
# plug-in, fuzz corpus and catalog tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, each in its own build directory; run first so
# ctest's summary closes the output.
scripts/tsan-tests.sh
scripts/asan-tests.sh

# The GUI tests again at a device pixel ratio of 2 (label hidpi), on a screen
# of twice the size so the logical screen stays 1280 x 1024; then the rest.
xvfb-run -a -s "-screen 0 2560x2048x24" \
  ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" -L hidpi
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" -LE hidpi
