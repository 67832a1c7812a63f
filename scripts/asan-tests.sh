#!/usr/bin/env bash
# Builds the plug-in, corpus and catalog tests with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ (or $GLIMR_ASAN_BUILD_DIR) and
# runs them under Xvfb. Any sanitizer report fails the run, leaks included
# (Qt reports none in these tests, so no suppression list is needed).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${GLIMR_ASAN_BUILD_DIR:-build-asan}
TESTS=(test_plugins test_corpus test_catalog test_imagefileinfo)
FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g"

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
targets=()
known=$(cmake --build "$BUILD_DIR" --target help)
for t in "${TESTS[@]}"; do
  # Only the tests this tree has (the catalog tests come and go by folder).
  if grep -q "^$t:" <<<"$known"; then
    targets+=("$t")
  fi
done
cmake --build "$BUILD_DIR" -j "$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS="halt_on_error=1 detect_leaks=1 print_stacktrace=1 ${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1 ${UBSAN_OPTIONS:-}"
export QT_QPA_PLATFORM=offscreen
if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  chmod 700 "$XDG_RUNTIME_DIR"
  export XDG_RUNTIME_DIR
fi
status=0
for t in "${targets[@]}"; do
  echo "== $t (AddressSanitizer, UndefinedBehaviorSanitizer)"
  if ! xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD_DIR/bin/$t"; then
    status=1
  fi
done
exit $status
