#!/bin/sh
# Runs inside the VM (busybox sh, as root): lists the UDF disc in the emulated drive
# through the kernel's own UDF driver, and through the tool when it is given.
#   udf_guest.sh [NAME=MOUNT-OPTIONS | NAME@IMAGE=MOUNT-OPTIONS | populate@IMAGE]... [cli]
# For each NAME, /out/NAME.txt lists the disc mounted with "ro,utf8,unhide,MOUNT-OPTIONS"
# (hidden entries too, as the tool lists them; session=START,lastblock=VAT-BLOCK picks
# a session and a generation) and
# /out/NAME-undelete.txt the same with the entries marked deleted; NAME.err holds the
# mount's complaint when it fails. NAME@IMAGE mounts /in/IMAGE through a loop device
# instead of the drive. populate@IMAGE mounts /in/IMAGE read-write, unpacks
# /in/tree.tar into it and copies it to /out/images/ (/out/images/IMAGE.populate
# says "ok" or why not). "cli" runs /in/tarnwick-cli against /dev/sr0: its
# `ls -R --json` in /out/cli-ls.json and what `extract -R --symlinks` wrote in
# /out/cli-x, exit statuses in /out/cli-*.rc; "cli:N" the same with --generation N, in
# /out/cli-gN-*. udf.ko and crc-itu-t.ko come in /in.
insmod /in/crc-itu-t.ko 2>/dev/null
insmod /in/udf.ko || { echo "no udf module" >/out/modules.err; exit 1; }
[ -f /in/loop.ko ] && insmod /in/loop.ko
for job in "$@"; do
  case $job in
    cli | cli:*)
      gen=${job#cli} gen=${gen#:}
      t=cli${gen:+-g$gen}
      /in/tarnwick-cli --names udf ls -R --json ${gen:+--generation $gen} >/out/$t-ls.json 2>/out/$t-ls.err
      echo $? >/out/$t-ls.rc
      mkdir -p /out/$t-x
      /in/tarnwick-cli --names udf extract -R --symlinks ${gen:+--generation $gen} --to /out/$t-x / \
        >/out/$t-x.out 2>/out/$t-x.err
      echo $? >/out/$t-x.rc
      ;;
    populate@*)
      image=${job#populate@}
      mkdir -p /out/images
      if mount -t udf -o loop,rw,utf8 "/in/$image" /mnt 2>/out/images/$image.populate; then
        tar -x -C /mnt -f /in/tree.tar 2>>/out/images/$image.populate && echo ok >/out/images/$image.populate
        umount /mnt
      fi
      cp "/in/$image" /out/images/
      ;;
    *=*)
      name=${job%%=*} options=${job#*=} device=/dev/sr0
      case $name in *@*) device=/in/${name#*@} name=${name%%@*} options=loop${options:+,$options} ;; esac
      for kind in "" -undelete; do
        extra=
        [ -n "$kind" ] && extra=,undelete
        if mount -t udf -o "ro,utf8,unhide${options:+,$options}$extra" "$device" /mnt 2>/out/$name$kind.err; then
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
