#!/usr/bin/env bash
# Time to the first screen of a large table and the memory it takes: the
# table editor's grid against mdb-export | head (mdbtools) and mdb-reader;
# then the grid stage by stage: jumps by the scroll bar (the first while
# row positions are gathered in the background), paging, reading every
# cell, sorting without and with an index, and finding the last row.
#
#   bench/first_screen.sh BUILD FILE TABLE [--grid-only] [OPTIONS FOR editor_first_screen...]
#
# BUILD is a Release build folder holding bench/editor_first_screen;
# mdb-reader is looked for under BUILD/oracles/node_modules or NODE_PATH.
# --grid-only leaves out the other readers. Further options go to
# editor_first_screen (--unindexed COLUMN, --indexed COLUMN, --find-last COLUMN).
set -euo pipefail
build=$1 file=$2 table=$3
shift 3
peers=1
if [ "${1:-}" = "--grid-only" ]; then
  peers=0
  shift
fi
here=$(cd "$(dirname "$0")" && pwd)
rows=40

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
echo "== ledgerfen grid: first screen, the whole process"
/usr/bin/time -f "ledgerfen: %e s wall, peak %M KiB" \
  "$build/bench/editor_first_screen" "$file" "$table" --first-screen > /dev/null
echo "== ledgerfen grid: stage by stage"
/usr/bin/time -f "ledgerfen: %e s wall, peak %M KiB for every stage" \
  "$build/bench/editor_first_screen" "$file" "$table" "$@"

[ "$peers" = 1 ] || exit 0
echo "== mdb-export | head -n $((rows + 1))"
/usr/bin/time -f "mdb-export: %e s wall, peak %M KiB" \
  sh -c "mdb-export '$file' '$table' | head -n $((rows + 1)) > /dev/null"

echo "== mdb-reader, first $rows rows"
NODE_PATH=${NODE_PATH:-$build/oracles/node_modules} /usr/bin/time -f "node: %e s wall, peak %M KiB" \
  node "$here/mdb_reader_first_rows.cjs" "$file" "$table" "$rows"
