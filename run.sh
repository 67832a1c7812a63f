#!/usr/bin/env bash
# Installs what is missing, builds Glimr and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
exec "${GLIMR_BUILD_DIR:-build}/bin/glimr" "$@"
