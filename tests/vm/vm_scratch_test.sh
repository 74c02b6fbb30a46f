#!/bin/bash
# One VM test of reading a scratched disc through a real drive path: the emulated SCSI
# drive (virtio-scsi, /dev/sr0 in the VM) sits on QEMU's blkdebug driver, which fails
# chosen blocks inside one file of a small ISO image with a medium error (ENODATA
# becomes 03/11/00 in the drive's sense data). In the VM the tool runs
#   extract -R --on-error=fill   and   image --to disc.img --map disc.img.map
# and here the results are checked: the damaged file equals the mastered one outside
# the failed blocks and is zeros inside, the other file is whole, both commands exit 3
# (delivered with damage), the image equals the ISO image with the failed blocks
# zeroed, and the map marks exactly the failed blocks bad.
#
#   vm_scratch_test.sh CLI HARNESS_DIR WORK_DIR
# Exit status 77 (skipped) when the VM cannot be run here.
set -u
CLI=$(realpath -m "$1") HARNESS=$(realpath -m "$2") WORK=$(realpath -m "$3")
. "$(dirname "$0")/vm_prelude.sh"
vm_can_run "$HARNESS"
needs_tool isoinfo
needs_tool ddrescuelog "ddrescuelog (gddrescue)"
[ -x "$CLI" ] || { echo "FAILED: no tool at $CLI"; exit 1; }

export TZ=UTC LC_ALL=C
rm -rf "$WORK"
mkdir -p "$WORK"
cd "$WORK" || exit 1

# ---------------------------------------------------------------- the disc
# big.bin: 100 blocks and 1000 bytes of random data (no block of it is zeros), so its
# last block is partial; small.txt: one short file that reads well.
mkdir tree
head -c $((100 * 2048 + 1000)) /dev/urandom >tree/big.bin
echo "this file reads well" >tree/small.txt
genisoimage -quiet -R -J -V TARNWICK_SCRATCH -o disc.iso tree || { echo "FAILED: genisoimage"; exit 1; }
start=$(isoinfo -l -i disc.iso | awk '/BIG\.BIN;1/ { gsub(/[][]/, " "); print $(NF-2) }')
case $start in '' | *[!0-9]*) echo "FAILED: no block address for big.bin in the image"; exit 1 ;; esac

# Failed blocks, by disc address: apart from each other (each one a lone bad sector,
# read and retried on its own), the second block of the file, one in its middle and
# its last, partial block.
offsets="1 47 100"
bad=()
for o in $offsets; do bad+=($((start + o))); done
# A rule per 512-byte sector of each failed block: any read touching the block fails.
{
  for b in "${bad[@]}"; do
    for s in 0 1 2 3; do
      printf '[inject-error]\nevent = "read_aio"\nerrno = "61"\nsector = "%d"\n\n' $((4 * b + s))
    done
  done
} >blkdebug.conf

# What fill and image should give: the mastered bytes with the failed blocks zeroed.
cp tree/big.bin expected-big.bin
for o in $offsets; do dd if=/dev/zero of=expected-big.bin bs=2048 seek=$o count=1 conv=notrunc status=none; done
truncate -s "$(stat -c %s tree/big.bin)" expected-big.bin
cp disc.iso expected.img
for b in "${bad[@]}"; do dd if=/dev/zero of=expected.img bs=2048 seek=$b count=1 conv=notrunc status=none; done

# ---------------------------------------------------------------- the guest's commands
cat >guest.sh <<'EOF'
#!/bin/sh
T=/in/$1
run() {
  name=$1
  shift
  "$@" >/out/"$name".out 2>/out/"$name".err
  echo $? >/out/"$name".rc
}
mkdir -p /out/x
run extract $T extract -R --on-error=fill --report /out/report.json --to /out/x /
run image $T image --to /out/disc.img --map /out/disc.img.map
# xorriso's own check of the same drive, when the host packed it.
if [ -f /in/xorriso.tar ] && tar -xf /in/xorriso.tar -C /; then
  run check_media /usr/bin/xorriso -abort_on NEVER -indev /dev/sr0 -check_media report=blocks_files --
fi
exit 0
EOF

# xorriso and the libraries it names, at their paths, for the guest.
xorriso_in=()
if command -v xorriso >/dev/null; then
  xorriso=$(command -v xorriso)
  { echo "$xorriso"; ldd "$xorriso" | tr ' \t' '\n\n' | grep '^/'; } | tar -chf xorriso.tar -T - 2>/dev/null &&
    xorriso_in=(-i "$WORK/xorriso.tar")
fi

# ---------------------------------------------------------------- run the VM
# run-vm.sh gives the drive the id "cd": an empty one with "none", which -set turns
# into a read-only raw image on a blkdebug node over the ISO file. The raw layer is
# needed: its reads raise the read_aio event that arms the rules.
q() { printf '%s' "$1" | sed 's/,/,,/g'; }
"$HARNESS/run-vm.sh" -t 500 -A no_timer_check -m virtio-scsi -i "$CLI" "${xorriso_in[@]}" -O "$WORK/vm" \
  -Q -set -Q drive.cd.format=raw \
  -Q -set -Q drive.cd.file.driver=blkdebug \
  -Q -set -Q "drive.cd.file.config=$(q "$WORK/blkdebug.conf")" \
  -Q -set -Q "drive.cd.file.image.filename=$(q "$WORK/disc.iso")" \
  -Q -set -Q drive.cd.readonly=on \
  none "$WORK/guest.sh" "$(basename "$CLI")" >vm.log 2>&1
rc=$?
if [ $rc != 0 ]; then
  cat vm.log
  echo "FAILED: the VM run ended with status $rc"
  exit 1
fi

expect_rc() {
  local name=$1 want=$2 got
  got=$(cat "vm/$name.rc" 2>/dev/null)
  if [ "$got" != "$want" ]; then
    fail "$name: exit status ${got:-none}, expected $want"
    sed 's/^/    stderr: /' "vm/$name.err" 2>/dev/null
  fi
}

# ---------------------------------------------------------------- extract --on-error=fill
expect_rc extract 3
if ! cmp -s expected-big.bin vm/x/big.bin; then
  fail "big.bin is not the mastered file with zeros in blocks $offsets:"
  cmp -l expected-big.bin vm/x/big.bin 2>&1 | awk '{ print "    block " int(($1 - 1) / 2048) }' | uniq -c | head -20
fi
cmp -s tree/small.txt vm/x/small.txt || fail "small.txt differs from the mastered file"
grep -q 'big\.bin' vm/extract.err || fail "extract: big.bin not reported damaged on stderr"
if grep -q 'small\.txt' vm/extract.err; then fail "extract: small.txt reported on stderr"; fi

# ---------------------------------------------------------------- image with its map
expect_rc image 3
cmp -s expected.img vm/disc.img || fail "the image is not the ISO image with zeros in blocks ${bad[*]}"
ddrescuelog -t vm/disc.img.map >map-summary.txt 2>&1 || { fail "ddrescuelog cannot read the map"; cat vm/disc.img.map; }
printf '%s\n' "${bad[@]}" >expected-bad
ddrescuelog -b 2048 -l- vm/disc.img.map >map-bad 2>&1
if ! cmp -s expected-bad map-bad; then
  fail "the map's bad blocks are not the failed ones:"
  diff expected-bad map-bad | sed 's/^/    /'
fi
ddrescuelog -b 2048 "-l?*/-" vm/disc.img.map >map-not-good 2>&1
if ! cmp -s expected-bad map-not-good; then
  fail "the map's blocks not read well are not the failed ones:"
  diff expected-bad map-not-good | sed 's/^/    /'
fi

# The drive's report against the files' extents as xorriso reads them from the image and
# the blocks the map does not mark read well.
if command -v xorriso >/dev/null; then
  python3 "$(dirname "$0")/../../tools/damage-compare.py" vm/disc.img vm/disc.img.map vm/report.json >compare.txt 2>&1 ||
    { fail "the extraction's report differs from xorriso's extents and the map:"; sed 's/^/    /' compare.txt; }
fi

# xorriso's own check of the drive in the VM: the same blocks unreadable, the same
# files damaged over the same span.
if [ ${#xorriso_in[@]} != 0 ]; then
  [ -f vm/check_media.out ] || fail "xorriso did not run in the VM"
  awk '/^Media region/ && /unreadable/ { gsub(/[^0-9,]/, ""); split($0, f, ","); for (i = 0; i < f[2]; i++) print f[1] + i }' \
    vm/check_media.out >xorriso-bad
  cmp -s expected-bad xorriso-bad || { fail "xorriso -check_media finds other unreadable blocks:"; cat vm/check_media.out; }
  python3 "$(dirname "$0")/../../tools/damage-compare.py" --check-media vm/check_media.out vm/report.json >media.txt 2>&1 ||
    { fail "xorriso -check_media names other damaged files:"; sed 's/^/    /' media.txt; }
fi

[ $FAILED = 0 ] && echo "PASSED: blocks ${bad[*]} failed in the drive, filled with zeros and mapped bad"
exit $FAILED
