#!/usr/bin/env node
"use strict";
// Times mdb-reader reading the first ROWS rows of TABLE in FILE, the way a
// viewer built on it would show a first screen: the whole file read into
// memory, then the rows asked for. Prints the time and the peak memory.
//
//   NODE_PATH=... node mdb_reader_first_rows.cjs FILE TABLE [ROWS]
const fs = require("fs");
const { pathToFileURL } = require("url");

async function main() {
  const [file, table, rowsText] = process.argv.slice(2);
  if (!file || !table) {
    console.error("usage: mdb_reader_first_rows.cjs FILE TABLE [ROWS]");
    process.exit(1);
  }
  const started = process.hrtime.bigint();
  const entry = require.resolve("mdb-reader", { paths: (process.env.NODE_PATH || "").split(":").filter(Boolean) });
  const MDBReader = (await import(pathToFileURL(entry).href)).default;
  const reader = new MDBReader(fs.readFileSync(file));
  const rows = reader.getTable(table).getData({ rowLimit: Number(rowsText || 40) });
  const elapsed = Number(process.hrtime.bigint() - started) / 1e6;
  const mib = (n) => Math.round(n / 1048576);
  console.log(`mdb-reader: ${rows.length} rows in ${elapsed.toFixed(1)} ms; ` +
              `rss ${mib(process.memoryUsage().rss)} MiB, ` +
              `peak ${mib(require("process").resourceUsage().maxRSS * 1024)} MiB`);
}

main().catch((e) => {
  console.error(e.message);
  process.exit(2);
});
