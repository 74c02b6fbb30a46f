#!/bin/sh
# Lists a directory tree in the reference format of the UDF test material, one line an
# entry, sorted by path (byte order):
#   TYPE <tab> SIZE <tab> MTIME <tab> MD5-OR-TARGET <tab> /PATH
# TYPE f (file: its size and the md5 of its contents), d (directory) or l (symbolic
# link: its target); MTIME in seconds since 1970 (UTC); "-" where a column does not
# apply. POSIX sh with busybox's tools, so it runs in the test VM as on a host.
#   udf-listing.sh DIR
set -u
cd "$1" || exit 2
export LC_ALL=C
tab=$(printf '\t')
find . ! -name . | sort | while IFS= read -r p; do
  path=${p#.}
  if [ -L "$p" ]; then
    echo "l${tab}-${tab}$(stat -c %Y "$p")${tab}$(readlink "$p")${tab}$path"
  elif [ -d "$p" ]; then
    echo "d${tab}-${tab}$(stat -c %Y "$p")${tab}-${tab}$path"
  else
    sum=$(md5sum <"$p" | cut -d' ' -f1) || sum=unreadable
    echo "f${tab}$(stat -c %s "$p")${tab}$(stat -c %Y "$p")${tab}${sum}${tab}$path"
  fi
done
