#!/bin/bash
# The Windows build of the tool against an emulated optical drive: in the small Linux VM,
# wine maps drive D: to the drive (/dev/sr0) as a CD-ROM, the tool finds it by its letter
# and sends its commands through the SCSI pass-through ioctl on \\.\D:. Its `show` and
# `ls -R --json` must print exactly what the Linux build prints on the same drive in the
# same VM. The 32-bit build runs there too (the host cannot run it), with the 32-bit
# layouts of the pass-through records.
#
#   vm_windows_test.sh ARCH WINDOWS_CLI LINUX_CLI HARNESS_DIR WORK_DIR MODEL PACK_DIR
#     ARCH         x86_64 or i686: the Windows build's processor
#     WINDOWS_CLI  tarnwick-cli.exe of that build (tools/windows.sh build)
#     LINUX_CLI    a statically linked tarnwick-cli
#     HARNESS_DIR  the folder of run-vm.sh
#     MODEL        the drive model (see run-vm.sh)
#     PACK_DIR     where the packed wine is kept between runs
# Exit status 77 (skipped) when the VM, wine or the Windows build cannot be had here
# (for i686 also the i386 packages of wine: see pack_wine.sh).
set -u
ARCH=$1 WINCLI=$2 LINCLI=$3 HARNESS=$4 WORK=$5 MODEL=$6 PACKDIR=$7
case $ARCH in
  x86_64) LOADER=wine64 MEMORY=1024 ;;
  i686) LOADER=wine MEMORY=1536 ;;      # the archive and its unpacked files both live in RAM
  *) echo "FAILED: unknown processor $ARCH"; exit 1 ;;
esac
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/vm_prelude.sh"

# ---------------------------------------------------------------- can it run here?
vm_can_run "$HARNESS"
[ -x /usr/lib/wine/wine64 ] || skip "wine64 not installed (tools/windows.sh installs it)"
[ -f "$WINCLI" ] || skip "no Windows build of the tool at $WINCLI (tools/windows.sh build makes it)"
[ -x "$LINCLI" ] || { echo "FAILED: no tool at $LINCLI"; exit 1; }

export TZ=UTC LC_ALL=C
start=$(date +%s)
rm -rf "$WORK"
mkdir -p "$WORK" "$PACKDIR"
cd "$WORK" || exit 1

# ---------------------------------------------------------------- wine, packed once
# Tests running at once wait for one packing; a change of wine or of the packing script
# makes a new pack.
key=$({ cat "$HERE/pack_wine.sh"; dpkg-query -W wine64 libwine 2>/dev/null; } | sha256sum | cut -c1-12)
PACK=$PACKDIR/wine-$ARCH-$key.tar
(
  flock 9
  if [ ! -s "$PACK" ]; then
    rm -f "$PACKDIR"/wine-"$ARCH"-*.tar*
    bash "$HERE/pack_wine.sh" "$PACK" "$ARCH"
  fi
) 9>"$PACKDIR/pack-$ARCH.lock" >pack.log 2>&1
rc=$?
[ $rc = 77 ] && skip "$(cat pack.log)"
[ $rc = 0 ] || { cat pack.log; echo "FAILED: packing wine"; exit 1; }
packed=$(date +%s)

# The Windows tool without its debugging sections: they would only slow the VM's start.
cp "$WINCLI" tarnwick-cli.exe
"$ARCH"-w64-mingw32-strip tarnwick-cli.exe 2>/dev/null || true
cp "$LINCLI" tarnwick-cli-linux
# The build must be of the processor asked for: a 64-bit program would pass the 32-bit
# tests without ever using the 32-bit record layouts.
case $ARCH in
  x86_64) want='PE32+ executable' ;;
  i686) want='PE32 executable' ;;
esac
file -b tarnwick-cli.exe | grep -q "^$want" ||
  { echo "FAILED: $WINCLI is not a $ARCH build: $(file -b tarnwick-cli.exe)"; exit 1; }

# ---------------------------------------------------------------- the disc
. "$HERE/disc_tree.sh"
make_tree
genisoimage -quiet -R -J -V TARNWICK_WIN -o disc.iso tree || { echo "FAILED: genisoimage"; exit 1; }

# ---------------------------------------------------------------- run the VM
# no_timer_check: on a busy host the guest kernel's check of the timer interrupt can
# time out under TCG and end in a panic ("IO-APIC + timer doesn't work").
"$HARNESS/run-vm.sh" -t 300 -M "$MEMORY" -A no_timer_check -m "$MODEL" -i "$PACK" -i tarnwick-cli.exe -i tarnwick-cli-linux \
  -O "$WORK/vm" disc.iso "$HERE/guest_windows.sh" "$(basename "$PACK")" tarnwick-cli.exe tarnwick-cli-linux \
  "$LOADER" >vm.log 2>&1
rc=$?
if [ $rc != 0 ]; then
  cat vm.log
  echo "FAILED: the VM run ended with status $rc"
  exit 1
fi

expect_rc() {
  local name=$1 got
  got=$(cat "vm/$name.rc" 2>/dev/null)
  if [ "$got" != 0 ]; then
    fail "$name: exit status ${got:-none}, expected 0"
    sed 's/^/    stderr: /' "vm/$name.err" 2>/dev/null
  fi
}
same() {
  local a=$1 b=$2
  [ -s "vm/$b.out" ] || fail "$b printed nothing"
  if ! cmp -s "vm/$a.out" "vm/$b.out"; then
    fail "$a differs from $b:"
    diff -u "vm/$b.out" "vm/$a.out" | sed 's/^/    /'
  fi
}

# The Windows tool finds D: and reaches it through the pass-through transport (its
# debug trace names the transport), not through an ASPI library.
expect_rc win-drives
grep -q ',D: QEMU ' vm/win-drives.out || fail "drives: no QEMU drive at D: in: $(cat vm/win-drives.out)"
expect_rc win-show
grep -q '^>>> PTEMUL32' vm/win-show.err || fail "show: not through the pass-through transport: $(head -3 vm/win-show.err)"
expect_rc linux-show
same win-show linux-show
expect_rc win-ls
expect_rc linux-ls
same win-ls linux-ls
grep -q '"path": "/docs/deep/deeper/' vm/win-ls.out || fail "ls -R --json does not reach the deepest directory"

end=$(date +%s)
echo "drives (Windows): $(cat vm/win-drives.out)"
echo "in the VM: $(cat vm/times 2>/dev/null); $(grep -o 'VM wall [0-9.]*s' vm.log)"
echo "whole test $((end - start)) s, of which packing wine $((packed - start)) s"
[ $FAILED = 0 ] && echo "PASSED: the Windows build through pass-through on $MODEL equals the Linux build ($ARCH)"
exit $FAILED
