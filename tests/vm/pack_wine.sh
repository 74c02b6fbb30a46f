#!/bin/bash
# Packs what the 64-bit wine needs to run a console program that reaches a drive by its
# letter inside the test VM, as one tar to unpack at / there (not compressed: unpacking
# costs less under TCG than reading the larger archive does):
#   * the loader and wineserver, the Windows-side modules wine loads for it (the program,
#     wineboot, services and the mount manager driver in winedevice, which decides that
#     D: is a CD-ROM), their Unix-side halves and the code-page tables;
#   * every shared library these name (ldd), at the same paths, with the ELF loader and
#     libgcc_s, which the C library loads when a thread ends;
#   * under /wine/registry, the registry of a prefix made here with `wineboot -i` and its
#     update stamp (with wine.inf, whose date it records, so that wine does not try to
#     update the prefix), with D: registered as a cdrom and the services a console
#     program does not need (network, plug and play, event log) switched off: under TCG
#     each of them would cost seconds. (The USB and HID bus drivers cannot be switched
#     off that way: wineboot sets them up again at every start. Their modules are not
#     packed, so they fail at once.)
# The full set of Windows modules is 640 MB; the list below is what one run of the tool
# loads (found by tracing which files the whole wine session opened), about 60 MB.
# wine's own ASPI library is left out: the tool must reach the drive through the
# pass-through ioctl, not through a library that finds no adapters.
#
# With "i686", the pack also holds the 32-bit half that runs 32-bit programs next to the
# 64-bit services: the 32-bit loader, its Unix-side modules, the same Windows modules
# built for i386 and the 32-bit C library. They come from Debian's i386 packages
# (libwine:i386 of the installed wine's version, wine32:i386 and the libraries they
# need), fetched with `apt-get download` and unpacked here, never installed: wine32
# cannot run on a host without 32-bit emulation and would take over /usr/bin/wine.
#
#   pack_wine.sh OUT.tar [i686]
# Exit status 77 when wine64 is not installed, or for i686 when dpkg does not take the
# i386 architecture (`dpkg --add-architecture i386 && apt-get update` enables it) or the
# packages cannot be fetched.
set -euo pipefail
OUT=$1 ARCH=${2:-x86_64}
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
LIBDIR=/usr/lib/x86_64-linux-gnu/wine
NLS=/usr/share/wine/nls
[ -x "$WINE" ] && [ -x "$WINESERVER" ] || { echo "wine64 not installed"; exit 77; }

WINDOWS_MODULES="advapi32.dll apisetschema.dll combase.dll gdi32.dll imm32.dll kernel32.dll
  kernelbase.dll msvcrt.dll ntdll.dll ole32.dll rpcrt4.dll sechost.dll setupapi.dll shcore.dll
  shell32.dll shlwapi.dll tzres.dll ucrtbase.dll user32.dll userenv.dll version.dll win32u.dll
  ws2_32.dll dnsapi.dll iphlpapi.dll nsi.dll zlib1.dll
  ntoskrnl.exe services.exe wineboot.exe winedevice.exe mountmgr.sys"
UNIX_MODULES="ntdll.so mountmgr.so win32u.so dnsapi.so ws2_32.so libwine.so.1 libwine.so.1.0"
NLS_TABLES="c_1252.nls c_20127.nls c_437.nls l_intl.nls locale.nls normnfc.nls sortdefault.nls"
DISABLED_SERVICES="PlugPlay Eventlog nsiproxy NDIS"

work=$(mktemp -d /tmp/tarnwick-packwine.XXXXXX)
prefix=$work/prefix
mkdir -p "$work/root/wine/registry"
cleanup() {
  # The prefix's wineserver is ours alone; it must not outlive the packing.
  [ -d "$prefix" ] && WINEPREFIX=$prefix "$WINESERVER" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

list=$work/files
{
  echo "$WINE"
  echo "$WINESERVER"
  for m in $WINDOWS_MODULES; do echo "$LIBDIR/x86_64-windows/$m"; done
  for m in $UNIX_MODULES; do echo "$LIBDIR/x86_64-unix/$m"; done
  for t in $NLS_TABLES; do echo "$NLS/$t"; done
  echo /usr/share/wine/wine.inf
  echo "$(dirname "$(ldd "$WINE" | grep -o '/[^ ]*/libc\.so\.6')")/libgcc_s.so.1"
} >"$list.own"
while read -r f; do [ -e "$f" ] || { echo "missing: $f"; exit 1; }; done <"$list.own"
# The shared libraries of every ELF file, and the ELF loader itself.
{
  cat "$list.own"
  grep -v x86_64-windows "$list.own" | grep -v '\.nls$' | while read -r f; do
    ldd "$f" 2>/dev/null | grep -o '/[^ ]*' || true
  done
} | sort -u >"$list"

# The 32-bit half, from Debian's i386 packages.
if [ "$ARCH" = i686 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 ||
    { echo "the i386 architecture is not enabled (dpkg --add-architecture i386 && apt-get update)"; exit 77; }
  version=$(dpkg-query -W -f '${Version}' libwine)
  mkdir -p "$work/debs" "$work/i386"
  (cd "$work/debs" && apt-get download "libwine:i386=$version" "wine32:i386=$version" libc6:i386 \
     libunwind8:i386 liblzma5:i386 libgcc-s1:i386) >"$work/download.log" 2>&1 ||
    { cat "$work/download.log"; echo "could not fetch the i386 packages of wine"; exit 77; }
  for d in "$work"/debs/*.deb; do dpkg-deb -x "$d" "$work/i386"; done
  I386=/usr/lib/i386-linux-gnu/wine
  {
    echo /usr/lib/wine/wine
    for m in $WINDOWS_MODULES; do
      case $m in *.dll) echo "$I386/i386-windows/$m" ;; esac
    done
    for m in $UNIX_MODULES; do echo "$I386/i386-unix/$m"; done
    echo /lib/ld-linux.so.2
    for l in ld-linux.so.2 libc.so.6 libm.so.6 libpthread.so.0 libdl.so.2 libgcc_s.so.1 liblzma.so.5; do
      echo "/lib/i386-linux-gnu/$l"
    done
    echo /usr/lib/i386-linux-gnu/libunwind.so.8
  } | grep -v '/zlib1\.dll$' >"$work/i386.list"
  while read -r f; do
    [ -e "$work/i386$f" ] || { echo "missing in the i386 packages: $f"; exit 1; }
    (cd "$work/i386" && cp -L --preserve=timestamps --parents ".$f" "$work/root/")
  done <"$work/i386.list"
  # wine's i386 zlib1.dll is the one of the mingw-w64 zlib package, which wine depends on.
  cp /usr/i686-w64-mingw32/lib/zlib1.dll "$work/root$I386/i386-windows/zlib1.dll"
fi

# The registry of a fresh prefix (wineboot -i, 10-30 s), edited as text.
mkdir -p "$prefix"
WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
  "$WINE" wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; exit 1; }
WINEPREFIX=$prefix "$WINESERVER" -w
[ -f "$prefix/system.reg" ] || { echo "wineboot made no registry"; exit 1; }
awk -v off=" $DISABLED_SERVICES " '
  /^\[/ { svc = ""; name = $1
          if (sub(/^\[System\\\\CurrentControlSet\\\\Services\\\\/, "", name) && sub(/\]$/, "", name) &&
              index(off, " " name " ")) svc = name }
  svc != "" && /^"Start"=/ { print "\"Start\"=dword:00000004"; next }
  { print }
  END { print ""; print "[Software\\\\Wine\\\\Drives]"; print "\"d:\"=\"cdrom\"" }
' "$prefix/system.reg" >"$work/root/wine/registry/system.reg"
cp "$prefix/user.reg" "$prefix/userdef.reg" "$prefix/.update-timestamp" "$work/root/wine/registry/"
for s in $DISABLED_SERVICES; do
  grep -A12 -F "[System\\\\CurrentControlSet\\\\Services\\\\$s]" "$work/root/wine/registry/system.reg" |
    grep -q '^"Start"=dword:00000004' || { echo "could not switch off service $s"; exit 1; }
done

# Files keep their absolute paths (symbolic links followed); the registry goes in as /wine.
while read -r f; do cp -L --preserve=timestamps --parents "$f" "$work/root/"; done <"$list"
tar -cf "$OUT.tmp.$$" -C "$work/root" . || { rm -f "$OUT.tmp.$$"; exit 1; }
mv "$OUT.tmp.$$" "$OUT"
