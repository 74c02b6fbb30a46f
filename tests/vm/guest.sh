#!/bin/sh
# Runs inside the VM (busybox sh, as root): the tool against the emulated drive
# (/dev/sr0, drive letter D:). Every invocation leaves NAME.out, NAME.err and NAME.rc
# in /out, which the host copies out and checks.
#   guest.sh disc    drives, show, ls -R --json and extract -R as root, then show,
#                    ls -R --json and extract -R as an ordinary user in group cdrom,
#                    once with read-write access to the device and once read-only
#   guest.sh empty   show and ls on a drive without a disc
# The tool is /in/NAME, NAME the second argument (default tarnwick-cli).
T=/in/${2:-tarnwick-cli}

run() {
  name=$1
  shift
  "$@" >/out/"$name".out 2>/out/"$name".err
  echo $? >/out/"$name".rc
}

# The commands as the user "reader" (uid 1000), whose only right to the drive is
# membership of group cdrom. busybox has no adduser here: the account files are
# written by hand; su run by root asks for no password.
as_reader() {
  su reader -c "$*"
}

make_reader() {
  echo 'root:x:0:0:root:/:/bin/sh' >/etc/passwd
  echo 'reader:x:1000:1000:reader:/tmp:/bin/sh' >>/etc/passwd
  printf 'root:x:0:\ncdrom:x:24:reader\nreader:x:1000:\n' >/etc/group
  chown root:cdrom /dev/sr0 /dev/sg0
  chmod 660 /dev/sr0 /dev/sg0
}

case "$1" in
  disc)
    run drives $T drives
    run show $T show
    run ls $T ls -R --json
    mkdir -p /out/x
    run extract $T extract -R --to /out/x /
    make_reader
    for access in rw ro; do
      [ $access = ro ] && chmod 640 /dev/sr0 /dev/sg0
      mkdir -p /out/user-$access
      chown reader /out/user-$access
      run user-$access-id as_reader id
      run user-$access-show as_reader "$T --debug show"
      run user-$access-ls as_reader "$T ls -R --json"
      run user-$access-extract as_reader "$T extract -R --to /out/user-$access /"
    done
    ;;
  empty)
    run show $T show
    run ls $T ls -R
    ;;
  *)
    echo "usage: guest.sh disc|empty [NAME]" >&2
    exit 2
    ;;
esac
exit 0
