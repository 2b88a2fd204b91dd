#!/usr/bin/env bash
# Runs every built fuzz target for the given seconds each; any crash fails.
# usage: run_fuzzers.sh <build dir> <seconds per target>
set -euo pipefail
build=$1; each=$2
targets=("$build"/tests/fuzz/fuzz_*)
[ -e "${targets[0]}" ] || { echo "no fuzz targets"; exit 0; }
# Real gzip files for the inflate target (a name in the header, two members, zero padding),
# each behind the eight control bytes whose odd first byte passes the rest through as the file.
seed_inflate() {
  local corpus=$1 work
  work=$(mktemp -d)
  seq 1 300 > "$work/numbers.txt"
  gzip -c "$work/numbers.txt" > "$work/named.gz"
  { printf 'first\n' | gzip -n; printf 'second\n' | gzip -9n; head -c 64 /dev/zero; } > "$work/two.gz"
  for f in named two; do
    { printf '\001\000\000\000\000\000\000\000'; cat "$work/$f.gz"; } > "$corpus/seed_$f"
  done
  rm -rf "$work"
}

for t in "${targets[@]}"; do
  [ -x "$t" ] || continue
  corpus=$(mktemp -d)
  if [ "$(basename "$t")" = fuzz_inflate ]; then seed_inflate "$corpus"; fi
  echo "fuzzing $(basename "$t") for ${each}s"
  log=$(mktemp)
  status=0
  "$t" -max_total_time="$each" -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="${TMPDIR:-/tmp}/" "$corpus" > "$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    # The finding itself: the report, the input that caused it and where it was kept.
    grep -v -e '^#[0-9]' -e 'Uses: ' -e 'NEW_FUNC' "$log" | tail -n 60
    rm -rf "$corpus" "$log"
    exit "$status"
  fi
  tail -n 5 "$log"
  rm -rf "$corpus" "$log"
done
