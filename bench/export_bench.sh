#!/usr/bin/env bash
# Times `ledgerfen-db export` against mdb-export on the same table and
# prints the ratio for each format (below 1: ledgerfen-db is faster).
# mdb-export writes no XML: the XML export is compared with its CSV.
#
#   bench/export_bench.sh LEDGERFEN_DB DATABASE [TABLE] [RUNS]
#
# Each time is the best of RUNS (default 3), output to a file in the
# temporary folder.
set -euo pipefail
ledgerfen_db=$1 database=$2 table=${3:-Orders} runs=${4:-3}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

best_of() {  # best_of COMMAND...: the shortest wall time of RUNS runs, in seconds
  local best="" start end t
  for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    t=$(awk "BEGIN { print $end - $start }")
    if [ -z "$best" ] || awk "BEGIN { exit !($t < $best) }"; then best=$t; fi
  done
  echo "$best"
}

mdb_csv() { mdb-export "$database" "$table" >"$out/mdb.csv"; }
mdb_txt() { mdb-export -d $'\t' -Q "$database" "$table" >"$out/mdb.txt"; }
ours() { LC_ALL=C.UTF-8 "$ledgerfen_db" export "$database" "$table" --format "$1" -o "$out/ours.$1"; }

theirs_csv=$(best_of mdb_csv)
theirs_txt=$(best_of mdb_txt)
printf '%-6s %14s %14s %8s\n' format ledgerfen-db mdb-export ratio
for format in csv txt xml; do
  case $format in
    csv | xml) theirs=$theirs_csv ;;
    txt) theirs=$theirs_txt ;;
  esac
  mine=$(best_of ours "$format")
  printf '%-6s %13.2fs %13.2fs %8.2f\n' "$format" "$mine" "$theirs" "$(awk "BEGIN { print $mine / $theirs }")"
done
echo "rows: $(($(wc -l <"$out/mdb.csv") - 1))"
ls -l "$out" | awk 'NR > 1 { printf "%-10s %8.1f MB\n", $9, $5 / 1e6 }'
