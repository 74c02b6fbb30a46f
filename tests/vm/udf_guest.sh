#!/bin/sh
# Runs inside the VM (busybox sh, as root): lists the UDF disc in the emulated drive
# through the kernel's own UDF driver, and through the tool when it is given.
#   udf_guest.sh [NAME=MOUNT-OPTIONS]... [cli]
# For each NAME, /out/NAME.txt lists the disc mounted with "ro,utf8,MOUNT-OPTIONS"
# (session=START,lastblock=VAT-BLOCK picks a session and a generation) and
# /out/NAME-undelete.txt the same with the entries marked deleted; NAME.err holds the
# mount's complaint when it fails. "cli" runs /in/tarnwick-cli against /dev/sr0: its
# `ls -R --json` in /out/cli-ls.json and the listing of what `extract -R` wrote in
# /out/cli.txt, with exit statuses in /out/cli-*.rc. udf.ko and crc-itu-t.ko come in /in.
insmod /in/crc-itu-t.ko 2>/dev/null
insmod /in/udf.ko || { echo "no udf module" >/out/modules.err; exit 1; }
for spec in "$@"; do
  case $spec in
    cli)
      /in/tarnwick-cli --names udf ls -R --json >/out/cli-ls.json 2>/out/cli-ls.err
      echo $? >/out/cli-ls.rc
      mkdir -p /out/cli-x
      /in/tarnwick-cli --names udf extract -R --symlinks --to /out/cli-x / >/out/cli-x.out 2>/out/cli-x.err
      echo $? >/out/cli-x.rc
      /in/udf-listing.sh /out/cli-x >/out/cli.txt
      ;;
    *=*)
      name=${spec%%=*} options=${spec#*=}
      for kind in "" -undelete; do
        extra=
        [ -n "$kind" ] && extra=,undelete
        if mount -t udf -o "ro,utf8${options:+,$options}$extra" /dev/sr0 /mnt 2>/out/$name$kind.err; then
          /in/udf-listing.sh /mnt >/out/$name$kind.txt
          umount /mnt
        else
          dmesg | grep -i udf | tail -5 >>/out/$name$kind.err
        fi
      done
      ;;
  esac
done
exit 0
