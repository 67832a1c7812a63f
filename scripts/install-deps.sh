#!/usr/bin/env bash
# Installs the Debian 12 packages Glimr needs to build, run and test.
# Only missing packages are installed; safe to run repeatedly.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-image-formats-plugins
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libsqlite3-dev libjpeg62-turbo-dev libpng-dev libspng-dev libgif-dev libtiff-dev libwebp-dev
  libbenchmark-dev desktop-file-utils
  # HEIF/HEIC/AVIF (libheif with libde265 and dav1d/aom), camera raw, JPEG XL;
  # the encoders and python3 write the test samples, vips is the benchmark's yardstick.
  libheif-dev libraw-dev libjxl-dev
  libheif-examples libavif-bin libjxl-tools python3 libvips-tools
  xvfb xauth fonts-liberation2 fonts-dejavu-core
  # dbus-run-session: a private session bus for the screen saver inhibit test.
  dbus-daemon
  # A small window manager: the viewer's full screen test needs one (Xvfb alone
  # does not honour full screen).
  openbox
  adwaita-icon-theme
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
