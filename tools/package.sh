#!/bin/sh
# Builds the packages (Debian 12 with tools/setup.sh's packages installed):
#   build/tarnwick_<version>_amd64.deb           the window and the tool, for Debian
#   build-win64/tarnwick-<version>-win64.zip     tarnwick.exe and tarnwick-cli.exe
#   build-win32/tarnwick-<version>-win32.zip     with --win32
# With --check (as root, as CI does) the packages are then tried: the .deb installed
# with dpkg, its tool run on the installed sample disc, the package removed again;
# the zip unpacked and its tool run under wine in an empty prefix.
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS="${JOBS:-2}"
win32=0 check=0
for arg in "$@"; do
  case "$arg" in
    --win32) win32=1 ;;
    --check) check=1 ;;
    *) echo "usage: tools/package.sh [--win32] [--check]" >&2; exit 2 ;;
  esac
done

# Configured again, so the package's name carries the version of the commit built.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$JOBS" --target tarnwick-cli tarnwick_window tw_install_docs tw_changelog
rm -f build/tarnwick_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/tarnwick_*_amd64.deb)
echo "$deb"
TARNWICK_WIN32_BUILD=$win32 tools/windows.sh package

[ "$check" = 1 ] || exit 0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -i "$deb"
/usr/bin/tarnwick-cli --version
/usr/bin/tarnwick-cli --image /usr/share/doc/tarnwick/sample.disc show
dpkg -r tarnwick

zip=$(ls build-win64/tarnwick-*-win64.zip)
(cd "$scratch" && cmake -E tar xf "$ROOT/$zip")
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
/usr/lib/wine/wine64 "$scratch"/tarnwick-*-win64/tarnwick-cli.exe --version
# The prefix's wine server ends before the prefix is removed.
/usr/lib/wine/wineserver -w
