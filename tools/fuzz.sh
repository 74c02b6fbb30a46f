#!/bin/sh
# Runs the fuzz targets built in build-fuzz (see README) for SECONDS each (default
# 60), with the dictionary: the disc target (every command, extraction included) over
# the whole seed corpus, then the lighter import target over the seeds of at most
# 128 KB, with inputs of at most that size. Each target's new inputs go to its own
# directory under build-fuzz/corpus, a crashing or hanging input to
# build-fuzz/artifacts/; either makes it exit non-zero.
#   tools/fuzz.sh [SECONDS] [libFuzzer options...]
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-60}"
[ $# -gt 0 ] && shift
for target in disc import; do
  if [ ! -x "build-fuzz/tests/fuzz/${target}_fuzzer" ]; then
    echo "build-fuzz/tests/fuzz/${target}_fuzzer is missing: build it first (README, \"Fuzzing\")" >&2
    exit 2
  fi
done
mkdir -p build-fuzz/corpus/disc build-fuzz/corpus/import build-fuzz/artifacts
# The import target's seeds: libFuzzer's own work on an input (mutation, comparison
# tracing) grows with the input's length, and the import of one session reads little
# of a large image, so that target works on small inputs only. Every ISO 9660, Joliet,
# Rock Ridge and sheet seed fits; a UDF volume starts past block 256 and does not.
import_max=131072
rm -rf build-fuzz/seeds-import
mkdir -p build-fuzz/seeds-import
for seed in tests/fuzz/corpus/*; do
  [ "$(wc -c < "$seed")" -le "$import_max" ] && cp "$seed" build-fuzz/seeds-import/
done
# Each input makes and removes a few directories: a memory file system is faster.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
# Leaks are not looked for, as in the sanitizer test run; a leak check after each
# input would take about half of the time. Each input's own memory is limited inside
# the targets (256 MB of live allocations at once), and so is any single allocation
# (-malloc_limit_mb). The process limit only backs that up: the process itself holds
# the corpus and the sanitizer's quarantine, and passes 256 MB with ordinary inputs.
for target in disc import; do
  echo "== ${target}_fuzzer, ${seconds} s" >&2
  if [ "$target" = disc ]; then seeds=tests/fuzz/corpus size=; else seeds=build-fuzz/seeds-import size=-max_len=$import_max; fi
  "build-fuzz/tests/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -malloc_limit_mb=256 \
    -detect_leaks=0 -dict=tests/fuzz/disc.dict -artifact_prefix=build-fuzz/artifacts/ -print_final_stats=1 $size \
    "$@" "build-fuzz/corpus/$target" "$seeds"
done
