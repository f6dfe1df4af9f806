#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time, starting from its seed corpus.
#
#   scripts/run-fuzzers.sh <folder of the fuzz executables> <seconds per target>
#
# New inputs go to a scratch corpus, so the seeds in the tree stay as they are. A crash leaves its
# input in build/fuzz-artifacts and fails the run.
set -euo pipefail

bin=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
artifacts=$root/build/fuzz-artifacts
mkdir -p "$artifacts"

status=0
for target in "$bin"/*_fuzz; do
  name=$(basename "$target")
  seeds=$root/tests/fuzz/corpus/${name%_fuzz}
  scratch=$(mktemp -d)
  corpora=("$scratch")
  [ -d "$seeds" ] && corpora+=("$seeds")
  echo "== $name: ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts/$name-" "${corpora[@]}" 2>"$scratch.log"; then
    tail -n 60 "$scratch.log" >&2
    status=1
  else
    grep -E "^stat::number_of_executed_units|^Done" "$scratch.log" || true
  fi
  rm -rf "$scratch" "$scratch.log"
done
exit $status
