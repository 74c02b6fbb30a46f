#!/usr/bin/env bash
# Times tarnwick-cli against the independent ISO 9660 readers installed on this
# machine (isoinfo, xorriso, bsdtar, 7z; each is skipped when missing) on three
# generated images, and counts the READ(10) commands our import and extraction send.
#
#   tools/bench-peers.sh [--cli PATH] [--baseline PATH] [--runs N] [--cache DIR]
#                        [--tmpfs DIR] [--only LIST]
#
#   --cli       our command-line tool (default: build/src/cli/tarnwick-cli)
#   --baseline  another build of it (say, of main) timed in the same runs
#   --runs      runs of every command (default 5); the median counts
#   --cache     where the images are made once and kept (default /tmp/tarnwick-bench)
#   --tmpfs     a directory on tmpfs for the extraction (default /dev/shm)
#   --only      comma-separated workloads: ls,json,tree,cat,extract,udf,reads
#
# The images: flat.iso (65000 empty files in one directory), tree.iso (79090 entries:
# 9090 directories and 70000 empty files), big.iso (one file of 1 GiB), all made with
# genisoimage -J -R; flat-udf.iso (65000 empty files in one directory, genisoimage -udf:
# a bridge image, which 7-Zip reads as UDF). Every run times all commands of a workload
# one after the other, so a busy machine slows them alike; ratios within one run are what
# to compare. The summary sets each workload against the fastest peer that ran it, and
# against cat.
set -u
cd "$(dirname "$0")/.."

CLI=build/src/cli/tarnwick-cli
BASELINE=
RUNS=5
CACHE=/tmp/tarnwick-bench
TMPFS=/dev/shm
ONLY=ls,json,tree,cat,extract,udf,reads
while [ $# -gt 0 ]; do
  case "$1" in
    --cli) CLI=$2; shift 2 ;;
    --baseline) BASELINE=$2; shift 2 ;;
    --runs) RUNS=$2; shift 2 ;;
    --cache) CACHE=$2; shift 2 ;;
    --tmpfs) TMPFS=$2; shift 2 ;;
    --only) ONLY=$2; shift 2 ;;
    -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
[ -x "$CLI" ] || { echo "no tarnwick-cli at $CLI (build first, or give --cli)" >&2; exit 1; }
command -v genisoimage >/dev/null || { echo "genisoimage is needed to make the images" >&2; exit 1; }
CLI=$(realpath "$CLI")
[ -n "$BASELINE" ] && BASELINE=$(realpath "$BASELINE")
wants() { case ",$ONLY," in *",$1,"*) return 0 ;; *) return 1 ;; esac; }
have() { command -v "$1" >/dev/null 2>&1; }

# ---- images, made once ------------------------------------------------------------
make_images() {
  mkdir -p "$CACHE"
  if [ ! -s "$CACHE/flat.iso" ]; then
    echo "making flat.iso (65000 files in one directory) ..." >&2
    local src="$CACHE/flat.src"
    rm -rf "$src"; mkdir -p "$src/files"
    (cd "$src/files" && seq -f 'f%05g.txt' 0 64999 | xargs touch)
    genisoimage -quiet -J -R -V FLAT -o "$CACHE/flat.iso" "$src" && rm -rf "$src"
  fi
  if [ ! -s "$CACHE/tree.iso" ]; then
    echo "making tree.iso (9090 directories, 70000 files) ..." >&2
    local src="$CACHE/tree.src"
    rm -rf "$src"; mkdir -p "$src"
    # 90 directories of 100 sub-directories each; 7000 of the 9000 leaves hold 8
    # files, the other 2000 hold 7.
    (cd "$src" &&
      awk 'BEGIN { for (d = 0; d < 90; d++) for (s = 0; s < 100; s++) printf "d%02d/s%02d\n", d, s }' |
        xargs mkdir -p &&
      awk 'BEGIN { n = 0
          for (d = 0; d < 90; d++) for (s = 0; s < 100; s++) {
            files = (n < 7000) ? 8 : 7; n++
            for (f = 0; f < files; f++) printf "d%02d/s%02d/f%d.dat\n", d, s, f } }' | xargs touch)
    genisoimage -quiet -J -R -V TREE -o "$CACHE/tree.iso" "$src" && rm -rf "$src"
  fi
  if wants udf && [ ! -s "$CACHE/flat-udf.iso" ]; then
    echo "making flat-udf.iso (65000 files in one directory, UDF bridge) ..." >&2
    local src="$CACHE/flat-udf.src"
    rm -rf "$src"; mkdir -p "$src/files"
    (cd "$src/files" && seq -f 'f%05g.txt' 0 64999 | xargs touch)
    genisoimage -quiet -udf -V FLATUDF -o "$CACHE/flat-udf.iso" "$src" && rm -rf "$src"
  fi
  if [ ! -s "$CACHE/big.iso" ]; then
    echo "making big.iso (one 1 GiB file) ..." >&2
    local src="$CACHE/big.src"
    rm -rf "$src"; mkdir -p "$src"
    head -c $((1 << 30)) /dev/urandom > "$src/big.bin"
    genisoimage -quiet -J -R -V BIG -o "$CACHE/big.iso" "$src" && rm -rf "$src"
  fi
}

# ---- timing ------------------------------------------------------------------------
# Names and commands of the workload being timed, in order.
NAMES=()
CMDS=()
declare -A TIMES
add() { NAMES+=("$1"); CMDS+=("$2"); }
now() { echo "${EPOCHREALTIME/,/.}"; }

run_workload() {
  local title=$1 i r t0 t1
  TIMES=()
  for ((r = 0; r < RUNS; r++)); do
    for i in "${!NAMES[@]}"; do
      t0=$(now)
      if eval "${CMDS[$i]}" >/dev/null 2>&1; then
        t1=$(now)
        TIMES[$i]+="$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }') "
      else
        TIMES[$i]+="fail "
      fi
    done
  done
  echo
  echo "== $title ($RUNS runs each, median; min in brackets)"
}

median() {
  local v; v=$(cat)
  case "$v" in *fail*) echo fail; return ;; esac
  echo "$v" | tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
minimum() { tr ' ' '\n' | grep -v '^$' | sort -g | head -1; }

# Prints every command's median (and its fastest run), and remembers the
# medians in MED[name].
declare -A MED
report() {
  local i name m
  for i in "${!NAMES[@]}"; do
    name=${NAMES[$i]}
    m=$(echo "${TIMES[$i]}" | median)
    MED[$name]=$m
    printf '  %-34s %8s s  [%s]\n' "$name" "$m" "$(echo "${TIMES[$i]}" | minimum)"
  done
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "fail" || b == "fail" || b == 0) print "n/a"; else printf "%.2f", a / b }'; }
# The fastest of the named peers that ran: its time, then its name.
fastest() {
  local best= bt= n
  for n in "$@"; do
    [ -n "${MED[$n]:-}" ] && [ "${MED[$n]}" != fail ] || continue
    if [ -z "$bt" ] || awk -v a="${MED[$n]}" -v b="$bt" 'BEGIN { exit !(a < b) }'; then best=$n; bt=${MED[$n]}; fi
  done
  echo "$bt $best"
}
verdict() { awk -v r="$1" -v t="$2" 'BEGIN { if (r == "n/a") print "n/a"; else print (r <= t ? "met" : "NOT met") }'; }

SUMMARY=()
summarise() { SUMMARY+=("$(printf '%-44s %-8s %-26s %-6s %s' "$1" "$2" "$3" "$4" "$5")"); }

# Peers that list a whole image. xorriso is left out of the one-directory image: it
# loads 65000 names into one directory in minutes, not seconds.
add_list_peers() {
  local img=$1 with_xorriso=$2
  have isoinfo && add "isoinfo -l" "isoinfo -l -i '$img'"
  [ "$with_xorriso" = yes ] && have xorriso && add "xorriso -find -exec lsdl" "xorriso -indev '$img' -find / -exec lsdl --"
  have bsdtar && add "bsdtar -tvf" "bsdtar -tvf '$img'"
  have 7z && add "7z l" "7z l '$img'"
}
PEERS_LIST=("isoinfo -l" "xorriso -find -exec lsdl" "bsdtar -tvf" "7z l")

make_images
echo "tarnwick-cli: $CLI${BASELINE:+ (baseline: $BASELINE)}; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

# Counts entries of our JSON listing, to make sure the fast answer is a whole one.
json_entries() { "$CLI" --image "$1" ls -R --json / 2>/dev/null | grep -c '"name":'; }

if wants ls; then
  NAMES=(); CMDS=()
  add "tarnwick-cli ls -R" "'$CLI' --image '$CACHE/flat.iso' ls -R /"
  [ -n "$BASELINE" ] && add "baseline ls -R" "'$BASELINE' --image '$CACHE/flat.iso' ls -R /"
  add_list_peers "$CACHE/flat.iso" no
  run_workload "ls -R, 65000 files in one directory"
  report
  read -r pt peer < <(fastest "${PEERS_LIST[@]}")
  r=$(ratio "${MED[tarnwick-cli ls -R]}" "$pt")
  summarise "ls -R, 65000 files (vs fastest peer)" "${MED[tarnwick-cli ls -R]}" "$pt ($peer)" "$r" "target <= 1.0: $(verdict "$r" 1.0)"
  FLAT_LS=${MED[tarnwick-cli ls -R]}
fi

if wants json; then
  NAMES=(); CMDS=()
  add "tarnwick-cli ls -R --json" "'$CLI' --image '$CACHE/flat.iso' ls -R --json /"
  add "tarnwick-cli ls -R" "'$CLI' --image '$CACHE/flat.iso' ls -R /"
  [ -n "$BASELINE" ] && add "baseline ls -R --json" "'$BASELINE' --image '$CACHE/flat.iso' ls -R --json /"
  have isoinfo && add "isoinfo -l" "isoinfo -l -i '$CACHE/flat.iso'"
  run_workload "ls -R --json, 65000 files in one directory"
  report
  r=$(ratio "${MED[tarnwick-cli ls -R --json]}" "${MED[tarnwick-cli ls -R]}")
  read -r pt peer < <(fastest "isoinfo -l")
  r=$(ratio "${MED[tarnwick-cli ls -R --json]}" "$pt")
  summarise "ls -R --json, 65000 files (vs fastest peer)" "${MED[tarnwick-cli ls -R --json]}" "$pt ($peer)" "$r" "(no target)"
  r=$(ratio "${MED[tarnwick-cli ls -R --json]}" "${MED[tarnwick-cli ls -R]}")
  summarise "ls -R --json, 65000 files (vs our ls -R)" "${MED[tarnwick-cli ls -R --json]}" "${MED[tarnwick-cli ls -R]} (our ls -R)" "$r" "target <= 1.5: $(verdict "$r" 1.5)"
  n=$(json_entries "$CACHE/flat.iso"); echo "  entries in our JSON: $n (65001 expected: the directory and its 65000 files)"
fi

if wants tree; then
  NAMES=(); CMDS=()
  add "tarnwick-cli ls -R --json" "'$CLI' --image '$CACHE/tree.iso' ls -R --json /"
  add "tarnwick-cli ls -R" "'$CLI' --image '$CACHE/tree.iso' ls -R /"
  [ -n "$BASELINE" ] && add "baseline ls -R --json" "'$BASELINE' --image '$CACHE/tree.iso' ls -R --json /"
  add_list_peers "$CACHE/tree.iso" yes
  run_workload "ls -R --json, 79090 entries in 9091 directories"
  report
  read -r pt peer < <(fastest "${PEERS_LIST[@]}")
  r=$(ratio "${MED[tarnwick-cli ls -R --json]}" "$pt")
  summarise "ls -R --json, 79090 entries (vs peer)" "${MED[tarnwick-cli ls -R --json]}" "$pt ($peer)" "$r" "(no target)"
  r=$(ratio "${MED[tarnwick-cli ls -R --json]}" "${MED[tarnwick-cli ls -R]}")
  summarise "ls -R --json, 79090 entries (vs our ls -R)" "${MED[tarnwick-cli ls -R --json]}" "${MED[tarnwick-cli ls -R]} (our ls -R)" "$r" "target <= 1.5: $(verdict "$r" 1.5)"
  peak=$(/usr/bin/time -f %M "$CLI" --image "$CACHE/tree.iso" ls -R --json / 2>&1 >/dev/null | tail -1)
  mb=$(awk -v k="$peak" 'BEGIN { printf "%.1f", k / 1024 }')
  summarise "peak memory, ls -R --json of 79090 entries" "${mb} MB" "" "" "target < 40 MB: $(awk -v m="$mb" 'BEGIN { print (m < 40 ? "met" : "NOT met") }')"
  if [ -n "$BASELINE" ]; then
    peak=$(/usr/bin/time -f %M "$BASELINE" --image "$CACHE/tree.iso" ls -R --json / 2>&1 >/dev/null | tail -1)
    echo "  baseline peak memory: $(awk -v k="$peak" 'BEGIN { printf "%.1f", k / 1024 }') MB"
  fi
  n=$(json_entries "$CACHE/tree.iso"); echo "  entries in our JSON: $n (79090 expected)"
fi

if wants cat; then
  NAMES=(); CMDS=()
  add "tarnwick-cli cat" "'$CLI' --image '$CACHE/big.iso' cat /big.bin"
  [ -n "$BASELINE" ] && add "baseline cat" "'$BASELINE' --image '$CACHE/big.iso' cat /big.bin"
  add "cat image" "cat '$CACHE/big.iso'"
  have isoinfo && add "isoinfo -x" "isoinfo -i '$CACHE/big.iso' -J -x /big.bin"
  have bsdtar && add "bsdtar -xOf" "bsdtar -xOf '$CACHE/big.iso' big.bin"
  have 7z && add "7z x -so" "7z x -so '$CACHE/big.iso' big.bin"
  cat "$CACHE/big.iso" >/dev/null  # into the page cache
  run_workload "cat of a 1 GiB file to /dev/null"
  report
  read -r pt peer < <(fastest "isoinfo -x" "bsdtar -xOf" "7z x -so")
  r=$(ratio "${MED[tarnwick-cli cat]}" "$pt")
  summarise "cat of a 1 GiB file (vs fastest peer)" "${MED[tarnwick-cli cat]}" "$pt ($peer)" "$r" "target <= 1.0: $(verdict "$r" 1.0)"
  r=$(ratio "${MED[tarnwick-cli cat]}" "${MED[cat image]}")
  summarise "cat of a 1 GiB file (vs cat image)" "${MED[tarnwick-cli cat]}" "${MED[cat image]} (cat image)" "$r" "target <= 1.1: $(verdict "$r" 1.1)"
fi

if wants extract; then
  out="$TMPFS/tarnwick-bench.$$"
  mkdir -p "$out"
  NAMES=(); CMDS=()
  add "tarnwick-cli extract" "rm -f '$out/big.bin' && '$CLI' --image '$CACHE/big.iso' extract --to '$out' /big.bin"
  [ -n "$BASELINE" ] && add "baseline extract" "rm -f '$out/big.bin' && '$BASELINE' --image '$CACHE/big.iso' extract --to '$out' /big.bin"
  add "cat image > file" "rm -f '$out/big.bin' && cat '$CACHE/big.iso' > '$out/big.bin'"
  have bsdtar && add "bsdtar -xf" "rm -f '$out/big.bin' && bsdtar -xf '$CACHE/big.iso' -C '$out' big.bin"
  have 7z && add "7z x" "rm -f '$out/big.bin' && 7z x -y -o'$out' '$CACHE/big.iso' big.bin"
  cat "$CACHE/big.iso" >/dev/null
  run_workload "extract of a 1 GiB file to $TMPFS"
  report
  rm -rf "$out"
  read -r pt peer < <(fastest "bsdtar -xf" "7z x")
  r=$(ratio "${MED[tarnwick-cli extract]}" "$pt")
  summarise "extract of a 1 GiB file (vs fastest peer)" "${MED[tarnwick-cli extract]}" "$pt ($peer)" "$r" "(no target)"
  r=$(ratio "${MED[tarnwick-cli extract]}" "${MED[cat image > file]}")
  summarise "extract of a 1 GiB file (vs cat image > file)" "${MED[tarnwick-cli extract]}" "${MED[cat image > file]} (cat > file)" "$r" "target <= 1.03: $(verdict "$r" 1.03)"
fi

if wants udf; then
  NAMES=(); CMDS=()
  add "tarnwick-cli --names udf ls -R" "'$CLI' --image '$CACHE/flat-udf.iso' --names udf ls -R /"
  [ -n "$BASELINE" ] && add "baseline --names udf ls -R" "'$BASELINE' --image '$CACHE/flat-udf.iso' --names udf ls -R /"
  # 7-Zip lists all 65000 entries of this image but ends with status 2 (a "Headers
  # Error" about genisoimage's UDF); a listing that ran counts.
  have 7z && add "7z l" "7z l '$CACHE/flat-udf.iso' || [ \$? -eq 2 ]"
  run_workload "ls -R of the UDF tree, 65000 files in one directory"
  report
  r=$(ratio "${MED[tarnwick-cli --names udf ls -R]}" "${MED[7z l]:-fail}")
  summarise "UDF ls -R, 65000 files (vs 7z l)" "${MED[tarnwick-cli --names udf ls -R]}" "${MED[7z l]:-n/a} (7z l)" "$r" "target <= 1.5: $(verdict "$r" 1.5)"
  n=$("$CLI" --image "$CACHE/flat-udf.iso" --names udf ls -R --json / 2>/dev/null | grep -c '"name":')
  echo "  entries in our UDF JSON: $n (65001 expected)"
fi

# ---- READ(10) commands, counted by the virtual drive ------------------------------
# What a reader of 31-sector runs needs: one command per volume descriptor from
# sector 16 up to the supplementary (Joliet) one, plus, for every directory extent
# of the tree the tool shows by default, one command per 31 sectors: the primary
# tree when it carries Rock Ridge entries, else the Joliet tree.
least_reads() {
  local img=$1 s=16 type descriptors=0 runs tree=-J
  isoinfo -d -i "$img" | grep -q '^Rock Ridge signatures' && tree=
  while :; do
    type=$(dd if="$img" bs=2048 skip=$s count=1 2>/dev/null | head -c 1 | od -An -tu1 | tr -d ' ')
    descriptors=$((descriptors + 1))
    [ "$type" = 2 ] || [ "$type" = 255 ] || [ -z "$type" ] && break
    s=$((s + 1))
  done
  # isoinfo prints a directory's own record (".") first in each listing; its size
  # is the extent's length.
  runs=$(isoinfo -l $tree -i "$img" | awk '
    /^Directory listing of / { want = 1; next }
    want && / \.[ ]*$/ { size = $5; sectors = int((size + 2047) / 2048); n += int((sectors + 30) / 31); want = 0 }
    END { print n + 0 }')
  echo $((descriptors + runs))
}
import_reads() { "$1" --debug --image "$2" ls / 2>&1 >/dev/null | sed -n 's/^import of session [0-9]* sent \([0-9]*\) READ(10) commands$/\1/p' | head -1; }
total_reads() { sed -n 's/^drive .* received \([0-9]*\) READ(10) commands in all$/\1/p' | tail -1; }

if wants reads && have isoinfo; then
  echo
  echo "== READ(10) commands"
  for img in flat tree; do
    got=$(import_reads "$CLI" "$CACHE/$img.iso")
    least=$(least_reads "$CACHE/$img.iso")
    line="  import of $img.iso: $got commands (31-sector runs of the directory extents + descriptors: $least)"
    [ -n "$BASELINE" ] && line+="; baseline: $(import_reads "$BASELINE" "$CACHE/$img.iso")"
    echo "$line"
    summarise "READ(10) per import of $img.iso" "$got" "$least (runs + descriptors)" "" "target <= $least: $( [ -n "$got" ] && [ "$got" -le "$least" ] && echo met || echo 'NOT met')"
  done
  # Extraction of a sub-tree of empty files: every READ(10) beyond those of the same
  # import is one the extraction added without reading data.
  x="$TMPFS/tarnwick-bench-x.$$"
  per_file() {
    local cli=$1 listed extracted files
    rm -rf "$x"; mkdir -p "$x"
    listed=$("$cli" --debug --image "$CACHE/tree.iso" ls /d00 2>&1 >/dev/null | total_reads)
    extracted=$("$cli" --debug --image "$CACHE/tree.iso" extract -R --to "$x" /d00 2>"$x.err" | wc -l)
    files=$(find "$x" -type f | wc -l)
    local all; all=$(total_reads < "$x.err")
    rm -rf "$x" "$x.err"
    echo "$files $(( all - listed )) $extracted"
  }
  read -r files extra extracted < <(per_file "$CLI")
  echo "  extract -R /d00 ($files files of 0 bytes): $extra READ(10) beyond the import's"
  if [ -n "$BASELINE" ]; then
    read -r bfiles bextra _ < <(per_file "$BASELINE")
    echo "  baseline: $bextra READ(10) beyond the import's for $bfiles files"
  fi
  # One check of the disc per extract command is expected; none per file.
  summarise "extra READ(10) per extracted file" "$(ratio "$extra" "$files")" "($extra for $files files)" "" "target 0 per file (1 per command): $( [ "$extra" -le 1 ] && echo met || echo 'NOT met')"
fi

echo
echo "== Summary (our median / reference median = ratio)"
printf '%-44s %-8s %-26s %-6s %s\n' "work" "ours" "reference" "ratio" "target"
for line in "${SUMMARY[@]}"; do echo "$line"; done
