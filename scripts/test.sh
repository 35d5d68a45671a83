#!/usr/bin/env bash
# Builds Mervantic with its tests (warnings are errors) and runs every test. The tests start
# their own Dovecot POP3 servers, X servers, Wayland compositor, sound server and message buses;
# nothing needs to be running.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing "${BUILD_PACKAGES[@]}" "${DESKTOP_PACKAGES[@]}" libgtest-dev libgmock-dev \
    libbenchmark-dev dovecot-core dovecot-pop3d openssl ca-certificates tzdata xvfb xauth \
    libxcb1-dev twm desktop-file-utils pulseaudio pulseaudio-utils gsettings-desktop-schemas \
    weston dbus libatspi2.0-dev at-spi2-core gnome-keyring libsecret-tools chromium dpkg-dev \
    appstream
# The OAuth2 tests' provider and browser driver come from the npm registry, run with Node.js.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    install_missing nodejs npm
fi
npm ci --prefix tests/support/oauth --no-audit --no-fund --loglevel=error
cmake --preset dev
cmake --build --preset dev
ctest --preset dev --parallel 2
