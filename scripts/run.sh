#!/usr/bin/env bash
# Builds Mervantic (optimised) and starts it. Arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing "${BUILD_PACKAGES[@]}" libxcb-cursor0 ca-certificates
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/bin/mervantic "$@"
