#!/bin/bash
# The tool against the kernel's UDF driver on the same UDF disc in an emulated drive of
# the test VM: a multisession disc with several VAT generations written by
# tools/make-udf-disc.py. The drive shows the flat image as one session ending in the
# newest VAT, from which every older one is reachable. What `ls -R --json` and
# `extract -R --symlinks` of the tool give must match the kernel's listing (names,
# types, sizes, dates, contents, link targets), and the kernel's listing must match
# what the writer recorded.
#   udf_vm_test.sh CLI HARNESS_DIR WORK_DIR MODEL
# Exit status 77 (skipped) when the VM cannot run here, or while the tool does not
# take `--names udf` (it cannot read UDF yet).
set -u
CLI=$(realpath "$1") HARNESS=$(realpath "$2") WORK=$3 MODEL=$4
HERE=$(cd "$(dirname "$0")" && pwd)
TOOLS=$HERE/../../tools
export TZ=UTC LC_ALL=C TARNWICK_QEMU_MMC_DIR=$HARNESS
[ -x "$CLI" ] || { echo "FAILED: no tool at $CLI"; exit 1; }
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK" || exit 1
/usr/bin/python3 "$TOOLS/make-udf-disc.py" disc >writer.log 2>&1 || { cat writer.log; echo "FAILED: the writer"; exit 1; }
TARNWICK_NO_REAL_DRIVES=1 "$CLI" --image disc/disc.img --names udf drives >/dev/null 2>&1 ||
  { echo "SKIPPED: tarnwick-cli does not take --names udf: it cannot read UDF yet"; exit 77; }
# The kernel reads generation G with lastblock= at its VAT; the tool with --generation G
# (counted from the oldest, as the writer counts them) on the drive's one session.
jobs=(newest=) gens=()
while read -r g _ _ vat; do
  jobs+=("g$g=lastblock=$vat" "cli:$g") gens+=("$g")
done <disc/generations.txt
"$HERE/udf_vm_list.sh" -c "$CLI" -m "$MODEL" disc/disc.img vm "${jobs[@]}" >vm.log 2>&1
rc=$?
[ $rc = 77 ] && { tail -1 vm.log; echo "SKIPPED: no VM here"; exit 77; }
[ $rc = 0 ] || { cat vm.log; echo "FAILED: the VM run ended with status $rc"; exit 1; }
failed=0
compare() {  # NAME KERNEL-LISTING WRITER-LISTING CLI-PREFIX
  cmp -s "$3" "$2" || { echo "FAILED: $1: the kernel does not list what the writer recorded"; diff "$3" "$2"; failed=1; }
  for step in ls x; do
    [ "$(cat "$4-$step.rc")" = 0 ] || { echo "FAILED: $1: tarnwick-cli $step: status $(cat "$4-$step.rc")"; cat "$4-$step.err"; failed=1; }
  done
  if result=$(/usr/bin/python3 "$TOOLS/udf-compare.py" "$2" "$4-ls.json" "$4-x" 2>&1); then
    echo "$1: ${result##*$'\n'}"
  else
    echo "FAILED: $1: the tool differs from the kernel:"; echo "$result" | sed 's/^/    /'; failed=1
  fi
}
compare newest vm/newest.txt "disc/g${gens[-1]}.txt" vm/cli
for g in "${gens[@]}"; do compare "generation $g" "vm/g$g.txt" "disc/g$g.txt" "vm/cli-g$g"; done
[ $failed = 0 ] && echo "PASSED: $MODEL, the tool lists and extracts what the kernel shows, generation by generation"
exit $failed
