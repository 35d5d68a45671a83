#!/usr/bin/env bash
# Builds Mervantic (optimised) and starts it. `./scripts/run.sh demo` starts it instead against
# a throwaway data folder with one account on a local Dovecot serving a small demo mailbox;
# `./scripts/run.sh demo alarm` turns on the new-mail sound and the continuous alarm there;
# `./scripts/run.sh demo trouble` adds two accounts that fail, in a window of the smallest size.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
extra=()
if [ "${1:-}" = "demo" ]; then
    extra=(dovecot-core dovecot-pop3d openssl)
fi
install_missing "${BUILD_PACKAGES[@]}" "${DESKTOP_PACKAGES[@]}" libxcb-cursor0 ca-certificates \
    "${extra[@]}"
cmake --preset release >/dev/null
cmake --build --preset release
if [ "${1:-}" = "demo" ]; then
    exec build/release/bin/mervantic-demo "${@:2}"
fi
exec build/release/bin/mervantic "$@"
