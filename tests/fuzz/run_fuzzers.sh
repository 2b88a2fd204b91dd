#!/usr/bin/env bash
# Runs every built fuzz target for a share of the given seconds; any crash fails.
# usage: run_fuzzers.sh <build dir> <total seconds>
set -euo pipefail
build=$1; total=$2
targets=("$build"/tests/fuzz/fuzz_*)
[ -e "${targets[0]}" ] || { echo "no fuzz targets"; exit 0; }
each=$(( total / ${#targets[@]} )); [ "$each" -ge 10 ] || each=10
for t in "${targets[@]}"; do
  [ -x "$t" ] || continue
  corpus=$(mktemp -d)
  echo "fuzzing $(basename "$t") for ${each}s"
  "$t" -max_total_time="$each" -rss_limit_mb=2048 -print_final_stats=1 "$corpus" 2>&1 | tail -n 5
  rm -rf "$corpus"
done
