#!/bin/bash
# Compares what the tool lists and extracts of every image that tools/udf-material.sh
# made with the kernel's listing of it (tools/udf-compare.py), one line an image, and
# the differences below a line that fails. Exits 1 when an image differs.
#   udf-material-compare.sh MATERIAL-DIR TARNWICK-CLI
set -u
here=$(cd "$(dirname "$0")" && pwd)
mat=$(realpath "$1") cli=$(realpath "$2")
export TZ=UTC LC_ALL=C TARNWICK_NO_REAL_DRIVES=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for ref in "$mat"/*.txt; do
  name=$(basename "$ref" .txt)
  case $name in SUMMARY | refused) continue ;; esac
  session=()
  image=$mat/images/$name.img
  if [[ $name =~ ^(.*)-s([0-9]+)$ ]]; then
    image=$mat/images/${BASH_REMATCH[1]}.txt session=(--session "${BASH_REMATCH[2]}")
  fi
  rm -rf "$work/x" && mkdir "$work/x"
  "$cli" --image "$image" --names udf ls -R --json "${session[@]}" >"$work/ls.json" 2>"$work/ls.err" &&
    "$cli" --image "$image" --names udf extract -R --symlinks "${session[@]}" --to "$work/x" / >/dev/null 2>"$work/x.err"
  rc=$?
  if [ $rc = 0 ] && result=$(/usr/bin/python3 "$here/udf-compare.py" "$ref" "$work/ls.json" "$work/x"); then
    echo "OK   $name: $(echo "$result" | tail -1)"
  else
    failed=1
    echo "FAIL $name (status $rc)"
    { echo "$result"; cat "$work/ls.err" "$work/x.err"; } | sed 's/^/     /'
  fi
  result=
done
exit $failed
