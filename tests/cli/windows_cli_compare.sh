#!/bin/sh
# The Windows build of the tool (under wine) against the Linux build on the same disc
# image: "show", "ls -R --json" and "extract -R" must give the same output, the same
# bytes and the same file dates.
#   windows_cli_compare.sh LINUX_CLI WINE_RUNNER WINDOWS_CLI IMAGE WORK_DIR
set -eu
linux_cli=$1 wine_run=$2 windows_cli=$3 image=$4 work=$5
rm -rf "$work"
mkdir -p "$work/linux/OUT" "$work/windows/OUT"
status=0

run_linux() { "$linux_cli" --image "$image" "$@"; }
run_windows() { "$wine_run" "$windows_cli" --image "$image" "$@"; }

compare() {  # name, then the command's arguments
  name=$1
  shift
  (cd "$work/linux" && run_linux "$@" >"$work/$name.linux" 2>&1 || echo "exit $?" >>"$work/$name.linux")
  (cd "$work/windows" && run_windows "$@" >"$work/$name.windows" 2>&1 || echo "exit $?" >>"$work/$name.windows")
  if ! cmp -s "$work/$name.linux" "$work/$name.windows"; then
    echo "FAIL: $name differs between the Linux and the Windows build:"
    diff "$work/$name.linux" "$work/$name.windows" | head -20
    status=1
  fi
}

export TARNWICK_NO_REAL_DRIVES=1
compare show show
compare ls-json ls -R --json
compare cat cat /one.bin  # file data byte for byte (no newline translation)
# Each build extracts into OUT of its own folder (a relative path, the same text for both).
compare extract extract -R --to OUT /
if ! diff -r "$work/linux/OUT" "$work/windows/OUT"; then
  echo "FAIL: extracted bytes differ"
  status=1
fi
# Sizes of the files and last-write dates of files and folders.
listing() {
  (cd "$1" && find . -mindepth 1 \( -type f -printf '%s %TY-%Tm-%Td %TH:%TM:%.2TS %p\n' \) \
    -o -printf 'dir %TY-%Tm-%Td %TH:%TM:%.2TS %p\n' | sort)
}
listing "$work/linux/OUT" >"$work/dates.linux"
listing "$work/windows/OUT" >"$work/dates.windows"
if ! cmp -s "$work/dates.linux" "$work/dates.windows"; then
  echo "FAIL: extracted sizes or dates differ"
  diff "$work/dates.linux" "$work/dates.windows" | head -20
  status=1
fi
if [ "$(wc -l <"$work/dates.linux")" -lt 3 ]; then
  echo "FAIL: the Linux build extracted nothing to compare"
  status=1
fi
[ "$status" = 0 ] && echo "the Windows build matches the Linux build on $(basename "$image")"
exit "$status"
