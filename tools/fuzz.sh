#!/bin/sh
# Runs the fuzz targets built in build-fuzz (see README) for SECONDS each (default
# 60) over the committed seed corpus, with the dictionary: the disc target (every
# command, extraction included), then the lighter import target. New inputs go to
# build-fuzz/corpus, a crashing or hanging input to build-fuzz/artifacts/; either
# makes it exit non-zero.
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
mkdir -p build-fuzz/corpus build-fuzz/artifacts
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
  "build-fuzz/tests/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -malloc_limit_mb=256 \
    -detect_leaks=0 -dict=tests/fuzz/disc.dict -artifact_prefix=build-fuzz/artifacts/ -print_final_stats=1 \
    "$@" build-fuzz/corpus tests/fuzz/corpus
done
