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
            usr/share/icons/hicolor/scalable/apps/mervantic.svg \
            usr/share/metainfo/io.github.mervantic.Mervantic.metainfo.xml \
            usr/share/man/man1/mervantic.1; do
    if [ ! -f "$root/$file" ]; then
        echo "not installed: $file"
        exit 1
    fi
done
desktop-file-validate "$root/usr/share/applications/mervantic.desktop"
appstreamcli validate --no-net --explain \
    "$root/usr/share/metainfo/io.github.mervantic.Mervantic.metainfo.xml" >/dev/null

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
# The command line answers on a terminal, without a display.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/mervantic" --version)
case "$version" in
    "Mervantic "[0-9]*) ;;
    *) echo "--version said: $version"; exit 1 ;;
esac
env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/mervantic" --help | grep -q -- "--version" || {
    echo "--help does not name --version"
    exit 1
}
status=0
env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/mervantic" --no-such-option 2>/dev/null ||
    status=$?
if [ "$status" -ne 2 ]; then
    echo "an unknown option ended with status $status"
    exit 1
fi

# The package names every library the program loads (found by dpkg-shlibdeps).
if command -v dpkg-shlibdeps >/dev/null 2>&1; then
    (cd "$build" && cpack -G DEB -B "$root/package" >/dev/null)
    depends=$(dpkg-deb -f "$root"/package/mervantic_*.deb Depends)
    for library in libqt6networkauth6 libqt6keychain1 libqt6widgets6 libcanberra0 libsecret-1-0; do
        case "$depends" in
            *"$library"*) ;;
            *) echo "the package does not depend on $library: $depends"; exit 1 ;;
        esac
    done
fi
echo "installed and started"
