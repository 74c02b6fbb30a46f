#!/bin/bash
# Lists a UDF image through the kernel's UDF driver in the test VM, the image in an
# emulated drive (/dev/sr0), in the format of tools/udf-listing.sh; with -c, also
# through the tool against the same drive (see udf_guest.sh for what lands where).
#   udf_vm_list.sh [-c STATIC-CLI] [-m MODEL] [-f FILE]... [-M MB] IMAGE|none OUTDIR JOB...
#   e.g. udf_vm_list.sh disc.img out g1=session=0,lastblock=427 newest=
# JOBs as udf_guest.sh takes them; -f puts FILE in the VM's /in (loop-mounted images,
# tree.tar), -M gives the VM more memory.
# Exit status 77 when the VM cannot run here (no harness, qemu, kernel or udf.ko).
set -u
here=$(cd "$(dirname "$0")" && pwd)
cli= model=virtio-scsi memory=256 inputs=()
while getopts "c:m:f:M:" opt; do
  case $opt in
    c) cli=$OPTARG ;;
    m) model=$OPTARG ;;
    f) inputs+=(-i "$OPTARG") ;;
    M) memory=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
image=$1 outdir=$2
shift 2
harness=${TARNWICK_QEMU_MMC_DIR:-$here/harness}
command -v qemu-system-x86_64 >/dev/null || { echo "qemu-system-x86_64 not installed"; exit 77; }
kernel=$(ls /boot/vmlinuz-* 2>/dev/null | sort -V | tail -1)
[ -n "$kernel" ] || { echo "no kernel in /boot"; exit 77; }
modules=/lib/modules/${kernel#/boot/vmlinuz-}/kernel
for m in fs/udf/udf.ko lib/crc-itu-t.ko drivers/block/loop.ko; do
  [ -f "$modules/$m" ] || { echo "no $modules/$m"; exit 77; }
  inputs+=(-i "$modules/$m")
done
inputs+=(-i "$here/../../tools/udf-listing.sh")
args=("$@")
if [ -n "$cli" ]; then
  # The guest runs it as /in/tarnwick-cli.
  mkdir -p "$outdir.in" && cp "$cli" "$outdir.in/tarnwick-cli"
  inputs+=(-i "$outdir.in/tarnwick-cli")
  args+=(cli)
fi
rm -rf "$outdir"
"$harness/run-vm.sh" -t 600 -M "$memory" -A no_timer_check -m "$model" "${inputs[@]}" -O "$outdir" "$image" \
  "$here/udf_guest.sh" "${args[@]}"
