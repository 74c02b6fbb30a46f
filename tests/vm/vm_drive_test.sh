#!/bin/bash
# One VM test: the command-line tool in a small Linux VM whose emulated optical drive
# (an independent emulation, reached through SG_IO on /dev/sr0) holds an ISO image
# mastered here, compared with what the rules give for that drive's answers and with
# the same commands run on this host against our virtual drive serving the same image.
#
#   vm_drive_test.sh CLI HARNESS_DIR WORK_DIR MODEL DISC
#     CLI          a statically linked tarnwick-cli (runs in the VM and on the host)
#     HARNESS_DIR  the folder of run-vm.sh
#     MODEL        ide ahci virtio-scsi lsi usb-bot usb-uas
#     DISC         joliet     Joliet + Rock Ridge CD image (genisoimage)
#                  rockridge  Rock Ridge only CD image (xorriso)
#                  dvd        the Joliet image padded with a hole to DVD size
#                  empty      no disc in the drive
# Exit status 77 (skipped) when the VM cannot be run here: no qemu, kernel, busybox or
# mastering tool.
set -u
CLI=$1 HARNESS=$2 WORK=$3 MODEL=$4 DISC=$5
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/vm_prelude.sh"

# ---------------------------------------------------------------- can the VM run here?
vm_can_run "$HARNESS"
needs_tool xorriso
[ -x "$CLI" ] || { echo "FAILED: no tool at $CLI"; exit 1; }

export TZ=UTC LC_ALL=C
rm -rf "$WORK"
mkdir -p "$WORK"
cd "$WORK" || exit 1

# ---------------------------------------------------------------- the disc
# The tree of disc_tree.sh, with each file's and directory's own date.
. "$HERE/disc_tree.sh"

IMAGE=
case $DISC in
  joliet | dvd)
    make_tree
    genisoimage -quiet -R -J -V TARNWICK_VM -o disc.iso tree || { echo "FAILED: genisoimage"; exit 1; }
    IMAGE=disc.iso
    # Past 360000 blocks the drive takes the image for a DVD-ROM; the hole costs nothing.
    [ "$DISC" = dvd ] && truncate -s 800M disc.iso
    ;;
  rockridge)
    make_tree
    xorriso -as mkisofs -quiet -R -V TARNWICK_RR -o disc.iso tree >xorriso.log 2>&1 ||
      { cat xorriso.log; echo "FAILED: xorriso"; exit 1; }
    IMAGE=disc.iso
    ;;
  empty) ;;
  *) echo "FAILED: unknown disc kind $DISC"; exit 1 ;;
esac

# ---------------------------------------------------------------- run the VM
guest_mode=disc
[ "$DISC" = empty ] && guest_mode=empty
# no_timer_check: on a busy host the guest kernel's check of the timer interrupt can
# time out under TCG and end in a panic ("IO-APIC + timer doesn't work").
"$HARNESS/run-vm.sh" -t 240 -A no_timer_check -m "$MODEL" -i "$CLI" -O "$WORK/vm" "${IMAGE:-none}" "$HERE/guest.sh" "$guest_mode" "$(basename "$CLI")" >vm.log 2>&1
rc=$?
if [ $rc != 0 ]; then
  cat vm.log
  echo "FAILED: the VM run ended with status $rc"
  exit 1
fi

# Compares the VM's output file NAME with the expected text in file EXPECTED.
expect_file() {
  local name=$1 expected=$2
  if ! cmp -s "$expected" "vm/$name"; then
    fail "$name differs from what the drive's answers give:"
    diff -u "$expected" "vm/$name" | sed 's/^/    /'
  fi
}
expect_rc() {
  local name=$1 want=$2 got
  got=$(cat "vm/$name.rc" 2>/dev/null)
  if [ "$got" != "$want" ]; then
    fail "$name: exit status ${got:-none}, expected $want"
    sed 's/^/    stderr: /' "vm/$name.err" 2>/dev/null
  fi
}

# ---------------------------------------------------------------- empty drive
if [ "$DISC" = empty ]; then
  # No medium: TEST UNIT READY fails (2/3A/00), the wait for the drive gives up, and
  # the listing holds the single error line; the tool fails with status 1.
  printf ' Number  Start   Size\n     Error getting session information\n' >expected-show
  expect_file show.out expected-show
  expect_rc show 1
  grep -q '^tarnwick-cli: drive D: is not ready' vm/show.err || fail "show: no 'not ready' message on stderr"
  expect_rc ls 1
  [ $FAILED = 0 ] && echo "PASSED: $MODEL, empty drive"
  exit $FAILED
fi

# ---------------------------------------------------------------- drives
case $MODEL in
  ide) address=1:0:0 product='QEMU DVD-ROM    ' ;;     # ATAPI on the secondary IDE channel
  ahci) address=0:0:0 product='QEMU DVD-ROM    ' ;;
  *) address=0:0:0 product='QEMU CD-ROM     ' ;;       # the SCSI drive calls itself a CD-ROM
esac
printf '%s,D: QEMU    %s2.5+\t/dev/sr0\n' "$address" "$product" >expected-drives
expect_file drives.out expected-drives
expect_rc drives 0

# ---------------------------------------------------------------- show
# What both emulated drive families answer here, and which link of each chain gives
# each figure:
#  * READ TOC format 0 track 1: the one data track at 00:02:00 (LBA 0) -> the session's
#    start "000:02:00". READ TOC format 1 gives sessions 1..1 (the ATAPI drive ignores
#    the format field and answers a plain TOC, whose first/last track bytes are 1 and 1
#    as well).
#  * READ TRACK INFORMATION is refused (5/20/00), so the track size is 0 and the
#    session's size comes from the volume space size of the volume descriptor at
#    block 16.
#  * The lead-out (READ TOC track AAh) lies at the image's block count + 150 frames.
#  * Free space: READ TRACK INFORMATION for track 255 / 1 and for the track after the
#    last session both refused -> 0 blocks -> "   0 MB".
#  * Medium: GET CONFIGURATION's current profile: 0008h CD-ROM, 0010h DVD-ROM above
#    360000 blocks.
#  * Used space: READ TRACK INFORMATION refused, READ CAPACITY answers the last block
#    (block count - 1).
#  * Disc size: no ATIP (the SCSI drive refuses format 4 with 5/24/00; the ATAPI
#    drive answers a plain TOC instead, which is not taken for an ATIP), READ TRACK
#    INFORMATION and READ FORMAT CAPACITIES refused (5/20/00), so the used blocks
#    (READ CAPACITY) stand for the disc size.
blocks=$(($(stat -c %s "$IMAGE") / 2048))
volume=$(od -An -t u4 -j $((16 * 2048 + 80)) -N 4 "$IMAGE" | tr -d ' ')
megabytes() {  # blocks / 512, to the nearest whole number, a half to the even one
  local whole=$(($1 / 512)) rest=$(($1 % 512))
  if [ $rest -gt 256 ] || { [ $rest = 256 ] && [ $((whole % 2)) = 1 ]; }; then whole=$((whole + 1)); fi
  echo $whole
}
frames=$((blocks + 150))
medium=CD-ROM
[ $blocks -gt 360000 ] && medium=DVD-ROM
{
  printf ' Number  Start   Size\n'
  printf '   001 000:02:00 %4d MB\n' "$(megabytes "$volume")"
  printf ' Free  %03d:%02d:%02d %4d MB\n' $((frames / 4500)) $((frames / 75 % 60)) $((frames % 75)) 0
  printf 'Medium  : %s\n' $medium
  awk -v b=$((blocks - 1)) 'BEGIN { printf "Disc Size  : %.2f MB\nUsed Space  : %.2f MB\n", b / 1024 / 1024 * 2048, b / 1024 / 1024 * 2048 }'
} >expected-show
expect_file show.out expected-show
expect_rc show 0

# ---------------------------------------------------------------- ls -R --json
# The same listing through our virtual drive serving the same image on this host.
TARNWICK_NO_REAL_DRIVES=1 "$CLI" --image "$IMAGE" ls -R --json >expected-ls 2>host-ls.err ||
  { cat host-ls.err; fail "ls on the host failed"; }
expect_file ls.out expected-ls
expect_rc ls 0
grep -q '"path": "/docs/deep/deeper/' vm/ls.out || grep -q '"path": "/DOCS/DEEP/DEEPER/' vm/ls.out ||
  fail "ls -R --json does not reach the deepest directory"

# ---------------------------------------------------------------- extract -R
# Files and their dates, one line each: relative path, size, modification time in
# seconds. Extracted files carry the disc's dates as MS-DOS times, to the even second
# below: the mastered tree is listed that way too.
listing() { (cd "$1" && find . -type f -printf '%P\t%s\t%T@\n' | sort); }
listing_even() { listing "$1" | awk -F '\t' '{ t = int($3); printf "%s\t%s\t%d\n", $1, $2, t - t % 2 }'; }
mkdir -p host-x
TARNWICK_NO_REAL_DRIVES=1 "$CLI" --image "$IMAGE" extract -R --to host-x / >/dev/null 2>host-x.err ||
  { cat host-x.err; fail "extract on the host failed"; }
check_extract() {
  local name=$1 dir=$2
  expect_rc "$name" 0
  [ -n "$(listing "$dir")" ] || fail "$name: nothing extracted"
  [ "$(listing "$dir")" = "$(listing host-x)" ] || { fail "$name: files or dates differ from the host's extraction"; diff <(listing host-x) <(listing "$dir") | sed 's/^/    /'; }
  diff -r host-x "$dir" >/dev/null || fail "$name: file contents differ from the host's extraction"
  if [ "$DISC" != rockridge ]; then
    # Joliet keeps the names: the files are those the mastering tool was given, byte
    # for byte, with their dates (to the second; the disc keeps no more).
    [ "$(listing_even "$dir")" = "$(listing_even tree)" ] || { fail "$name: files or dates differ from the mastered tree"; diff <(listing_even tree) <(listing_even "$dir") | sed 's/^/    /'; }
    diff -r tree "$dir" >/dev/null 2>&1 || diff -r -x empty-dir tree "$dir" >/dev/null || fail "$name: contents differ from the mastered tree"
  fi
}
check_extract extract vm/x

# ---------------------------------------------------------------- an ordinary user
# "reader" may use the drive only through group cdrom: read-write first, then
# read-only, where the kernel passes only the commands that cannot change the drive.
for access in rw ro; do
  grep -q 'groups=.*24(cdrom)' "vm/user-$access-id.out" || fail "user-$access: not running as a member of cdrom: $(cat "vm/user-$access-id.out")"
  grep -q '^uid=1000' "vm/user-$access-id.out" || fail "user-$access: not running as uid 1000"
  expect_file "user-$access-show.out" expected-show
  expect_rc "user-$access-show" 0
  expect_file "user-$access-ls.out" expected-ls
  expect_rc "user-$access-ls" 0
  check_extract "user-$access-extract" "vm/user-$access"
done

[ $FAILED = 0 ] && echo "PASSED: $MODEL, $DISC disc"
exit $FAILED
