#!/usr/bin/env bash
# run-fuzzer.sh FUZZER FIXTURE_DIR FINDS_DIR RUNS [HEAD_BYTES]
# Replays every earlier find, then fuzzes for RUNS runs (new corpus entries go
# to a temporary folder). Seeds are the fixtures smaller than 160 KB or, with
# HEAD_BYTES, the first HEAD_BYTES bytes of every fixture.
set -euo pipefail
fuzzer=$1 fixtures=$2 finds=$3 runs=$4 head_bytes=${5:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/seeds"
if [ -n "$head_bytes" ]; then
  n=0
  while IFS= read -r -d '' file; do
    n=$((n + 1))
    head -c "$head_bytes" "$file" >"$work/seeds/$n"
  done < <(find "$fixtures" -type f \( -name '*.mdb' -o -name '*.accdb' \) -print0)
  max_len=$head_bytes
else
  find "$fixtures" -type f \( -name '*.mdb' -o -name '*.accdb' \) -size -160k -exec cp {} "$work/seeds/" \;
  max_len=262144
fi
for find in "$finds"/*; do
  [ -f "$find" ] && "$fuzzer" -artifact_prefix="$work/" "$find"
done
"$fuzzer" -runs="$runs" -seed=1 -max_len="$max_len" -rss_limit_mb=2048 -timeout=20 \
  -artifact_prefix="$work/" "$work/corpus" "$work/seeds" 2>&1 | tail -n 5
