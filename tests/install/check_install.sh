#!/bin/sh
# Installs the build into a throwaway root and checks that the installed program has what it
# needs and starts: its first start copies the settings template from share/mervantic.
# Usage: check_install.sh <build folder>
set -eu
build="$1"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
for file in usr/bin/mervantic usr/share/mervantic/mervantic.ini \
            usr/share/mervantic/MervanticHelp.htm usr/share/applications/mervantic.desktop \
            usr/share/icons/hicolor/scalable/apps/mervantic.svg; do
    if [ ! -f "$root/$file" ]; then
        echo "not installed: $file"
        exit 1
    fi
done
desktop-file-validate "$root/usr/share/applications/mervantic.desktop"

home="$root/home"
mkdir -p "$home/runtime"
chmod 700 "$home/runtime"
status=0
HOME="$home" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=offscreen \
    timeout 5 "$root/usr/bin/mervantic" || status=$?
# Still running when the time ran out: it started, and stays until closed.
if [ "$status" -ne 124 ]; then
    echo "the installed program ended with status $status"
    exit 1
fi
size=$(stat -c %s "$home/data/Mervantic/mervantic.ini")
if [ "$size" -ne 626 ]; then
    echo "the first start did not copy the settings template (size $size)"
    exit 1
fi
echo "installed and started"
