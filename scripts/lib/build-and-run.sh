# Sourced by the sanitizer scripts: builds the named test programs in an
# already configured build directory and runs each under Xvfb, going on
# after a failure; returns non-zero when any failed.
#   build_and_run BUILD_DIR LABEL TEST...
build_and_run() {
  local build_dir=$1 label=$2
  shift 2
  cmake --build "$build_dir" -j "$(nproc)" --target "$@"
  export QT_QPA_PLATFORM=offscreen
  if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    chmod 700 "$XDG_RUNTIME_DIR"
    export XDG_RUNTIME_DIR
  fi
  local status=0 t
  for t in "$@"; do
    echo "== $t ($label)"
    if ! xvfb-run -a -s "-screen 0 1280x1024x24" "$build_dir/bin/$t"; then
      status=1
    fi
  done
  return $status
}
