#!/usr/bin/env bash
# Times `ledgerfen-db import` of a generated CSV file into a new table with
# indexes, beside mdb-export reading the result back and beside the machine
# copying a file of the database's size, all in the same run; prints peak
# memory (GNU time) and the cost per row.
#
#   bench/import_bench.sh LEDGERFEN_DB ROWS [primary|three] [jet4|ace12]
#
# The table: ID (Long, the primary key), Name (Text(50)), Quantity (Long),
# Amount (Double), Created (Date/Time), Notes (Memo of 200 characters).
# "primary" indexes ID only; "three" also Name and Quantity.
set -euo pipefail
ledgerfen_db=$1 rows=$2 indexes=${3:-primary} format=${4:-jet4}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$rows" >"$work/rows.csv" <<'PY'
import sys
rows = int(sys.argv[1])
words = ["amber", "birch", "cedar", "delta", "ember", "fjord", "grove", "heath", "inlet", "juniper", "kestrel",
         "linden", "marsh", "north", "osprey", "pine", "quarry", "ridge", "spruce", "tarn", "upland", "vale",
         "willow", "yarrow", "zephyr"]
out = sys.stdout
out.write("ID,Name,Quantity,Amount,Created,Notes\n")
for i in range(1, rows + 1):
    h = (i * 2654435761) % 4294967296
    name = f"{words[h % 25]} {words[(h >> 5) % 25]} {h % 100000}"
    note = ("row %d " % i + words[(h >> 10) % 25] + " ") * 20
    out.write(f'{i},{name},{h % 1000},{(h % 1000000) / 100},'
              f'{2000 + h % 25}-{1 + h % 12:02d}-{1 + h % 28:02d} {h % 24:02d}:{h % 60:02d}:00,"{note[:200]}"\n')
PY

db="$work/import.mdb"
[ "$format" = ace12 ] && db="$work/import.accdb"
"$ledgerfen_db" create "$db" --format "$format"
index_args=()
if [ "$indexes" = three ]; then
  index_args=(--index "Name: Name" --index "Quantity: Quantity")
fi
"$ledgerfen_db" create-table "$db" Items "ID long primary" "Name text(50)" "Quantity long" "Amount double" \
  "Created datetime" "Notes memo" "${index_args[@]}"

timed() {  # timed OUT COMMAND...: wall seconds and peak KiB of the command into OUT
  local out=$1
  shift
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -f '%e %M' -o "$out" "$@" >/dev/null
  else
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$(awk "BEGIN { print $end - $start }") 0" >"$out"
  fi
}

timed "$work/import.time" "$ledgerfen_db" import "$db" Items "$work/rows.csv"
timed "$work/read.time" mdb-export "$db" Items
timed "$work/copy.time" sh -c "cp '$db' '$work/copy' && sync '$work/copy'"
read -r import_s import_kb <"$work/import.time"
read -r read_s _ <"$work/read.time"
read -r copy_s _ <"$work/copy.time"
size=$(stat -c %s "$db")
printf '%s rows, indexes %s, %s: %s bytes\n' "$rows" "$indexes" "$format" "$size"
printf '  import        %8.2f s  %6d MiB peak  %6.2f us a row\n' "$import_s" $((import_kb / 1024)) \
  "$(awk "BEGIN { print $import_s * 1e6 / $rows }")"
printf '  mdb-export    %8.2f s  (import / read %.1f)\n' "$read_s" "$(awk "BEGIN { print $import_s / $read_s }")"
printf '  cp + sync     %8.2f s  (import / copy %.1f)\n' "$copy_s" "$(awk "BEGIN { print $import_s / $copy_s }")"
