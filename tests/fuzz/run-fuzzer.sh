#!/usr/bin/env bash
# run-fuzzer.sh FUZZER FIXTURE_DIR FINDS_DIR RUNS
# Replays every earlier find, then fuzzes for RUNS runs from the fixtures
# smaller than 160 KB (new corpus entries go to a temporary folder).
set -euo pipefail
fuzzer=$1 fixtures=$2 finds=$3 runs=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/seeds"
find "$fixtures" -type f \( -name '*.mdb' -o -name '*.accdb' \) -size -160k -exec cp {} "$work/seeds/" \;
for find in "$finds"/*; do
  [ -f "$find" ] && "$fuzzer" -artifact_prefix="$work/" "$find"
done
"$fuzzer" -runs="$runs" -seed=1 -max_len=262144 -rss_limit_mb=2048 -timeout=20 \
  -artifact_prefix="$work/" "$work/corpus" "$work/seeds" 2>&1 | tail -n 5
