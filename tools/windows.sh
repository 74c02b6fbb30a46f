#!/bin/sh
# Windows builds with mingw-w64, and their tests under wine (run as root on Debian 12).
#   tools/windows.sh build   install the cross compilers, cross-build into build-win64/
#                            (everything but the window) and build-win32/ (the CLI)
#   tools/windows.sh test    build, then run the 64-bit tests under wine64
#   tools/windows.sh package build the two programs alone and pack each build's zip
#                            (build-win64/tarnwick-<version>-win64.zip, and -win32)
# 32-bit Windows programs cannot run on a host kernel without 32-bit emulation, so
# build-win32 is built but not run here (wine32 is deliberately not installed: it
# cannot run and would take over /usr/bin/wine).
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
mode="${1:-test}"
JOBS="${JOBS:-2}"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

PACKAGES="cmake ninja-build libgtest-dev libcli11-dev nlohmann-json3-dev \
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 xvfb xauth openbox"
need_install=0
for p in $PACKAGES; do
  dpkg -s "$p" >/dev/null 2>&1 || need_install=1
done
if [ "$need_install" = 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends $PACKAGES
fi

launcher=""
if command -v ccache >/dev/null 2>&1; then
  launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
fi

# The sysroot of one target: links to the header-only libraries' headers and config
# files (never all of /usr/include, whose Linux C headers would shadow mingw's), and
# GoogleTest built from its Debian sources.
make_sysroot() {
  build="$1" toolchain="$2"
  sysroot="$ROOT/$build/sysroot"
  mkdir -p "$sysroot/include" "$sysroot/share/cmake/CLI11" "$sysroot/share/cmake/nlohmann_json"
  ln -sfn /usr/include/CLI "$sysroot/include/CLI"
  ln -sfn /usr/include/nlohmann "$sysroot/include/nlohmann"
  for f in /usr/share/cmake/CLI11/*.cmake; do ln -sf "$f" "$sysroot/share/cmake/CLI11/"; done
  for f in /usr/share/cmake/nlohmann_json/*.cmake; do ln -sf "$f" "$sysroot/share/cmake/nlohmann_json/"; done
  # GoogleTest only where tests are built (build-win32 holds the tool alone).
  if [ "$build" = build-win64 ] && [ ! -f "$sysroot/lib/cmake/GTest/GTestConfig.cmake" ]; then
    cmake -S /usr/src/googletest -B "$ROOT/$build/googletest" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$sysroot" $launcher >/dev/null
    cmake --build "$ROOT/$build/googletest" -j "$JOBS"
    cmake --install "$ROOT/$build/googletest" >/dev/null
  fi
}

# The command every Windows test program runs through: wine64 with the prefix under
# the build folder, our ASPI library preferred to wine's own, and wine's messages off.
make_wine_runner() {
  build="$1"
  cat >"$ROOT/$build/wine-run" <<EOS
#!/bin/sh
export WINEPREFIX="$ROOT/$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="wnaspi32=n;mscoree,mshtml="
export TARNWICK_TEST_TMPDIR="Z:$ROOT/$build/tmp"
mkdir -p "$ROOT/$build/tmp"
exec $WINE "\$@"
EOS
  chmod +x "$ROOT/$build/wine-run"
}

configure() {
  build="$1" toolchain="$2"
  shift 2
  make_sysroot "$build" "$toolchain"
  make_wine_runner "$build"
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" -DTARNWICK_WIN_SYSROOT="$ROOT/$build/sysroot" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$ROOT/$build/wine-run" \
    -DTARNWICK_GUI=OFF -DTARNWICK_BENCHMARKS=OFF $launcher "$@"
}

# The Linux build of the tool, when there is one, for the test that compares the two.
linux_cli="${TARNWICK_LINUX_CLI:-$ROOT/build/src/cli/tarnwick-cli}"
[ -x "$linux_cli" ] || linux_cli=""

# Each part's time goes to the log (CI must stay within its budget).
started=$(date +%s)
took() {
  now=$(date +%s)
  echo "windows.sh: $1 took $((now - started)) s"
  started=$now
}

# A package needs the two programs only.
programs=""
[ "$mode" = package ] && programs="--target tarnwick-cli tarnwick_win32"
configure build-win64 mingw-x86_64.cmake -DTARNWICK_LINUX_CLI="$linux_cli"
cmake --build build-win64 -j "$JOBS" $programs
took "the 64-bit build"
# The 32-bit tool (pointer-width checks of the SRB and pass-through records); CI leaves
# it out with TARNWICK_WIN32_BUILD=0 to stay within its time.
if [ "${TARNWICK_WIN32_BUILD:-1}" = 1 ]; then
  configure build-win32 mingw-i686.cmake -DBUILD_TESTING=OFF
  cmake --build build-win32 -j "$JOBS" --target tarnwick-cli ${programs:+tarnwick_win32}
  took "the 32-bit build"
fi

case "$mode" in
  build) ;;
  package)
    for build in build-win64 build-win32; do
      if [ "$build" = build-win64 ] || [ "${TARNWICK_WIN32_BUILD:-1}" = 1 ]; then
        rm -f "$ROOT/$build"/tarnwick-*.zip
        (cd "$build" && cpack -G ZIP >/dev/null && ls "$ROOT/$build"/tarnwick-*.zip)
      fi
    done
    ;;
  test)
    export WINEPREFIX="$ROOT/build-win64/wineprefix"
    export WINEDEBUG=-all
    # A prefix of our own (made once, 10 s), without wine's ASPI library, so that a
    # bare load of WNASPI32.DLL can only find ours.
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE" wineboot -i >/dev/null 2>&1
      "$WINESERVER" -w
    fi
    rm -f "$WINEPREFIX/drive_c/windows/system32/wnaspi32.dll" "$WINEPREFIX/drive_c/windows/syswow64/wnaspi32.dll"
    # One wineserver for all test programs (0.2 s per start instead of 3 s).
    "$WINESERVER" -p 2>/dev/null || true  # (one may be running for this prefix already)
    trap '"$WINESERVER" -k 2>/dev/null || true' EXIT
    # wine's background services start with the first program and keep its output
    # open; started here, they hold no test's pipe (ctest would wait for it to close).
    "$WINE" cmd /c exit >/dev/null 2>&1 </dev/null || true
    took "the wine prefix"
    # A test is run a second time only when it fails: now and then a wine process ends
    # at once, before the program starts (about one start in a few hundred here).
    ctest --test-dir build-win64 --output-on-failure -j "$JOBS" -LE vm --repeat until-pass:2
    took "the tests under wine"
    ;;
  *)
    echo "usage: tools/windows.sh build|test|package" >&2
    exit 2
    ;;
esac
