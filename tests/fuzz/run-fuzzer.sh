#!/usr/bin/env bash
# run-fuzzer.sh FUZZER FIXTURE_DIR FINDS_DIR RUNS [SEEDS]
# Replays every earlier find, then fuzzes for RUNS runs (new corpus entries go
# to a temporary folder). SEEDS: the fixtures smaller than 160 KB (the
# default), a number N for the first N bytes of every fixture, or "none".
# An input that fails is kept in fuzz-failures/FUZZER/ under the folder the
# test runs in (the build folder), so a failure in CI keeps its input; once
# the fault is mended it goes into FINDS_DIR to be replayed for good.
set -euo pipefail
fuzzer=$1 fixtures=$2 finds=$3 runs=$4 seeds=${5:-files}
extra=()
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures="$PWD/fuzz-failures/$(basename "$fuzzer")"
mkdir -p "$work/corpus" "$work/seeds" "$failures"
case "$seeds" in
  files)
    find "$fixtures" -type f \( -name '*.mdb' -o -name '*.accdb' \) -size -160k -exec cp {} "$work/seeds/" \;
    max_len=262144 ;;
  none)
    # Without seeds, inputs of any length from the start: short ones say little.
    max_len=2048 extra=(-len_control=0) ;;
  *)
    n=0
    while IFS= read -r -d '' file; do
      n=$((n + 1))
      head -c "$seeds" "$file" >"$work/seeds/$n"
    done < <(find "$fixtures" -type f \( -name '*.mdb' -o -name '*.accdb' \) -print0)
    max_len=$seeds ;;
esac
for find in "$finds"/*; do
  [ -f "$find" ] && "$fuzzer" -artifact_prefix="$failures/" "$find"
done
"$fuzzer" -runs="$runs" -seed=1 -max_len="$max_len" "${extra[@]}" -rss_limit_mb=2048 -timeout=20 \
  -artifact_prefix="$failures/" "$work/corpus" "$work/seeds" 2>&1 | tail -n 5
