#!/usr/bin/env bash
# Configures and builds Glimr into build/ (or $GLIMR_BUILD_DIR). Extra
# arguments are passed to the build step (for example: --target glimr).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${GLIMR_BUILD_DIR:-build}
# Configure once; configure again only to pass new cache settings.
if [[ ! -f "$BUILD_DIR/build.ninja" ]]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${GLIMR_CMAKE_ARGS:-}
elif [[ -n ${GLIMR_CMAKE_ARGS:-} ]]; then
  cmake -S . -B "$BUILD_DIR" ${GLIMR_CMAKE_ARGS} >/dev/null
fi
cmake --build "$BUILD_DIR" -j "$(nproc)" "$@"
