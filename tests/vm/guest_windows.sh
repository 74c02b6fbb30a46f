#!/bin/sh
# Runs inside the VM (busybox sh, as root): the Windows build of the tool under wine,
# with drive D: mapped to the emulated drive (/dev/sr0) and registered as a CD-ROM, so
# that the tool finds it by its letter and talks to it through the SCSI pass-through
# ioctl; then the Linux build on the same drive. Every invocation leaves NAME.out,
# NAME.err and NAME.rc in /out, which the host copies out and compares.
#   guest_windows.sh WINE_TAR WINDOWS_CLI LINUX_CLI [LOADER]   (names of files in /in)
# LOADER is wine64 (default) for a 64-bit tool, wine for a 32-bit one: wine64 would
# hand a 32-bit program to start.exe first.
# A file /in/debug holds wine's debug channels for a run that needs them (WINEDEBUG);
# without it wine is silent.
[ -f /in/debug ] && GUEST_WINEDEBUG=$(cat /in/debug)
WINE_TAR=/in/$1 WINCLI=/in/$2 LINCLI=/in/$3 LOADER=${4:-wine64}

run() {
  name=$1
  shift
  "$@" >/out/"$name".out 2>/out/"$name".err
  echo $? >/out/"$name".rc
}

t0=$(cut -d' ' -f1 /proc/uptime)
tar -xf "$WINE_TAR" -C / || { echo "cannot unpack wine"; exit 1; }

# A prefix of the packed registry whose system folders name the packed modules (wine
# starts services and drivers by their paths there) and whose D: is the drive.
P=/wine/prefix
WIN=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
mkdir -p $P/dosdevices $P/drive_c/windows/system32/drivers
cp /wine/registry/*.reg /wine/registry/.update-timestamp $P/
ln -s ../drive_c $P/dosdevices/c:
ln -s / $P/dosdevices/z:
# D: needs both links: "d:" (a folder, here an empty one: the disc is never mounted)
# makes the letter exist, "d::" names the device behind it.
mkdir -p /wine/d
ln -s /wine/d $P/dosdevices/d:
ln -s /dev/sr0 $P/dosdevices/d::
for f in $WIN/*; do
  case $f in
    *.sys) ln -s "$f" $P/drive_c/windows/system32/drivers/ ;;
    *) ln -s "$f" $P/drive_c/windows/system32/ ;;
  esac
done
# With the 32-bit half packed, 32-bit programs find their modules in syswow64.
if [ -d /usr/lib/i386-linux-gnu/wine/i386-windows ]; then
  mkdir -p $P/drive_c/windows/syswow64
  ln -s /usr/lib/i386-linux-gnu/wine/i386-windows/* $P/drive_c/windows/syswow64/
fi
export WINEPREFIX=$P HOME=/wine WINEDEBUG=${GUEST_WINEDEBUG:--all} WINESERVER=/usr/lib/wine/wineserver64
export WINEDLLOVERRIDES="winemenubuilder.exe=d;wnaspi32=d"
WINE=/usr/lib/wine/$LOADER
t1=$(cut -d' ' -f1 /proc/uptime)

run win-drives $WINE "$WINCLI" drives
t2=$(cut -d' ' -f1 /proc/uptime)
run win-show $WINE "$WINCLI" --debug show
run win-ls $WINE "$WINCLI" ls -R --json
t3=$(cut -d' ' -f1 /proc/uptime)
$WINESERVER -k 2>/dev/null

run linux-show "$LINCLI" show
run linux-ls "$LINCLI" ls -R --json
echo "unpack ${t0}s-${t1}s, first wine run (wine starting) to ${t2}s, show and ls to ${t3}s" >/out/times
exit 0
