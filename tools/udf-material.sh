#!/bin/bash
# Makes the UDF test material of tools we did not write, with a reference listing of
# each image from the Linux kernel's UDF driver (in the test VM, through a loop device):
#   * mkudffs: every media type (hd cdr cdrw dvdr dvdrw bdr) and UDF revision (1.02 to
#     2.60) it accepts; the file systems the kernel can write (revisions up to 2.01 on
#     hd, cdrw and dvdrw) are filled with the tree below in the VM, the others stay
#     empty; a second session appended with --startblock to a cdr image;
#   * genisoimage -udf: a bridge image, and a second session with -M;
#   * pycdlib (for /usr/bin/python3): a UDF 2.60 image with files;
#   * the filled sparable images again with packets relocated (tools/udf-spare.py).
#   udf-material.sh OUTDIR
# Writes OUTDIR/images/NAME.img (and NAME.txt, a disc description, for multisession
# discs), OUTDIR/NAME[-sN].txt (the kernel's listing, tools/udf-listing.sh format;
# NAME.err when the kernel refused the image), OUTDIR/refused.txt (what mkudffs would
# not make) and OUTDIR/SUMMARY.txt (one line an image: entries listed, populated or
# empty, udfinfo's counts).
set -u
here=$(cd "$(dirname "$0")" && pwd)
out=$(realpath -m "$1")
export LC_ALL=C TZ=UTC SOURCE_DATE_EPOCH=1600000000
rm -rf "$out"
mkdir -p "$out/images" "$out/work"
cd "$out/work" || exit 2

# ------------------------------------------------------------------ the tree
mkdir -p tree/docs/deep tree/Ünïcödé tree/empty
printf 'readme of the material\n' >tree/readme.txt
printf 'non-ASCII name\n' >"tree/Ünïcödé/naïve café.txt"
printf 'sixteen-bit name\n' >"tree/Ünïcödé/日本語.txt"
seq 1 30000 >tree/docs/deep/numbers.txt
head -c 70000 /dev/zero | tr '\0' 'x' >tree/docs/xs.bin
ln -s docs/deep/numbers.txt tree/link
find tree -exec touch -h -d '2021-05-06 07:08:09' {} +
touch -d '1999-12-31 23:59:58' tree/readme.txt
tar -C tree -cf tree.tar .
second() { mkdir -p tree2 && printf 'second session\n' >tree2/second.txt && touch -d '2022-01-02 03:04:05' tree2/second.txt tree2; }

jobs=() inputs=()
# look NAME IMAGE [MOUNT-OPTIONS]: the kernel's listing of IMAGE as OUTDIR/NAME.txt
look() { jobs+=("$1@$(basename "$2")=${3:-}"); }
send() { inputs+=(-f "$1"); }

# ------------------------------------------------------------------ mkudffs
: >"$out/refused.txt"
for media in hd cdr cdrw dvdr dvdrw bdr; do
  for rev in 1.02 1.50 2.00 2.01 2.50 2.60; do
    name=mkudffs-$media-$rev img=$out/images/$name.img
    if ! msg=$(mkudffs --media-type=$media --udfrev=$rev -b 2048 --label="$name" "$img" 2500 2>&1); then
      echo "$name: $(echo "$msg" | grep -i error | head -1)" >>"$out/refused.txt"
      rm -f "$img"
      continue
    fi
    send "$img"
    case $media-$rev in
      hd-* | cdrw-[12].0* | dvdrw-[12].0* | cdrw-1.50 | dvdrw-1.50) jobs+=("populate@$name.img") ;;
    esac
    look "$name" "$img"
  done
done
# A second session on the cdr disc: a volume of its own after the usual gap.
img=$out/images/mkudffs-cdr-2.01-2session.img
cp "$out/images/mkudffs-cdr-2.01.img" "$img"
s1=$(($(stat -c %s "$img") / 2048)) s2=$(($(stat -c %s "$img") / 2048 + 11400))
mkudffs --media-type=cdr --udfrev=2.01 -b 2048 --label=session2 --startblock=$s2 "$img" $((s2 + 300)) >/dev/null
end=$(($(stat -c %s "$img") / 2048))
printf 'medium  profile=CD-R\ndisc    status=incomplete\nimage   file=%s\nsession number=1\ntrack   number=1 start=0 length=%d\nsession number=2\ntrack   number=2 start=%d length=%d\n' \
  "$(basename "$img")" "$s1" "$s2" $((end - s2)) >"${img%.img}.txt"
send "$img"
look mkudffs-cdr-2.01-2session-s1 "$img" "session=0,lastblock=$((s1 - 1))"
look mkudffs-cdr-2.01-2session-s2 "$img" "session=$s2"

# ------------------------------------------------------------------ genisoimage -udf
genisoimage -quiet -input-charset utf-8 -udf -R -J -V BRIDGE -o "$out/images/genisoimage-udf.img" tree
send "$out/images/genisoimage-udf.img"
look genisoimage-udf "$out/images/genisoimage-udf.img"
second
genisoimage -quiet -input-charset utf-8 -udf -R -J -V SESSION1 -o s1.iso tree
n1=$(($(stat -c %s s1.iso) / 2048)) s2=$(($(stat -c %s s1.iso) / 2048 + 11400))
genisoimage -quiet -input-charset utf-8 -udf -R -J -V SESSION2 -C 0,$s2 -M s1.iso -o s2.iso tree2
img=$out/images/genisoimage-udf-2session.img
cp s1.iso "$img"
dd if=s2.iso of="$img" bs=2048 seek=$s2 conv=notrunc status=none
printf 'medium  profile=CD-R\ndisc    status=incomplete\nimage   file=%s\nsession number=1\ntrack   number=1 start=0 length=%d\nsession number=2\ntrack   number=2 start=%d length=%d\n' \
  "$(basename "$img")" "$n1" "$s2" $(($(stat -c %s s2.iso) / 2048)) >"${img%.img}.txt"
send "$img"
look genisoimage-udf-2session-s1 "$img" "session=0"
look genisoimage-udf-2session-s2 "$img" "session=$s2"

# ------------------------------------------------------------------ pycdlib
/usr/bin/python3 - "$out/images/pycdlib-udf-2.60.img" <<'PY'
import io, sys, pycdlib
iso = pycdlib.PyCdlib()
iso.new(udf="2.60", vol_ident="PYCDLIB")
iso.add_directory(udf_path="/docs")
for path, text in (("/readme.txt", b"pycdlib readme\n"), ("/docs/inside.txt", b"inside a directory\n" * 200)):
    iso.add_fp(io.BytesIO(text), len(text), udf_path=path)
iso.write(sys.argv[1])
iso.close()
PY
send "$out/images/pycdlib-udf-2.60.img"
look pycdlib-udf-2.60 "$out/images/pycdlib-udf-2.60.img"

# ------------------------------------------------------------------ the kernel
send tree.tar
"$here/../tests/vm/udf_vm_list.sh" -M 768 "${inputs[@]}" none vm "${jobs[@]}" >vm.log 2>&1 ||
  { cat vm.log; echo "udf-material.sh: the VM run failed" >&2; exit 1; }
# The filled images replace the empty ones.
for f in vm/images/*.img; do
  [ "$(cat "$f.populate")" = ok ] && cp "$f" "$out/images/"
done

# ------------------------------------------------------------------ relocated packets
# Every other packet in use of each filled sparable image moves to a spare packet and
# its original place is inverted (tools/udf-spare.py), so that a reader ignoring the
# sparing table reads wrong bytes; a second VM run lists them.
inputs=() spared=()
for f in vm/images/mkudffs-cdrw-*.img vm/images/mkudffs-dvdrw-*.img; do
  [ "$(cat "$f.populate" 2>/dev/null)" = ok ] || continue
  name=$(basename "$f" .img)-spared img=$out/images/$(basename "$f" .img)-spared.img
  cp "$f" "$img"
  /usr/bin/python3 "$here/udf-spare.py" "$img" >"${img%.img}.relocated" || exit 1
  send "$img"
  spared+=("$name@$(basename "$img")=")
done
"$here/../tests/vm/udf_vm_list.sh" "${inputs[@]}" none vm2 "${spared[@]}" >vm2.log 2>&1 ||
  { cat vm2.log; echo "udf-material.sh: the second VM run failed" >&2; exit 1; }
cp -r vm2/. vm/
jobs+=("${spared[@]}")
: >"$out/SUMMARY.txt"
for job in "${jobs[@]}"; do
  case $job in populate@*) continue ;; esac
  name=${job%%@*} image=${job#*@} image=${image%%=*}
  state=
  [ -f "vm/images/$image.populate" ] && state="populate: $(head -1 "vm/images/$image.populate")"
  if [ -f "vm/$name.txt" ]; then
    cp "vm/$name.txt" "$out/$name.txt"
    echo "$name: kernel lists $(wc -l <"vm/$name.txt") entries${state:+; $state}" >>"$out/SUMMARY.txt"
  else
    cp "vm/$name.err" "$out/$name.err"
    counts=$(udfinfo "$out/images/$image" 2>&1 | grep -E '^num(files|dirs)=' | tr '\n' ' ')
    echo "$name: kernel refused ($(grep -m1 'UDF-fs: error' "vm/$name.err" | sed 's/.*): //')); udfinfo: ${counts:-nothing}${state:+; $state}" >>"$out/SUMMARY.txt"
  fi
done
cat "$out/SUMMARY.txt"
