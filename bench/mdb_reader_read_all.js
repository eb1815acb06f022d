#!/usr/bin/env node
"use strict";
// Reads every row of one table with the npm package mdb-reader, as a program
// using it would: the whole file into memory, then Table.getData(). Prints
// the number of rows and of non-NULL cells, so that the reading cannot be
// skipped and the count can be checked against the other readers.
//
//   node mdb_reader_read_all.js FILE TABLE
//
// mdb-reader is found from NODE_PATH (e.g. the node_modules folder that
// ../shared/tools/install-oracles made).
const fs = require("fs");
const { pathToFileURL } = require("url");

async function main([file, tableName]) {
  if (!file || !tableName) {
    process.stderr.write("usage: node mdb_reader_read_all.js FILE TABLE\n");
    return 1;
  }
  let entry;
  try {
    entry = require.resolve("mdb-reader");
  } catch {
    process.stderr.write("mdb-reader not found: set NODE_PATH to the node_modules folder holding it\n");
    return 1;
  }
  const MDBReader = (await import(pathToFileURL(entry).href)).default;
  const reader = new MDBReader(fs.readFileSync(file));
  const rows = reader.getTable(tableName).getData();
  let cells = 0;
  for (const row of rows) {
    for (const key in row) if (row[key] !== null && row[key] !== undefined) cells++;
  }
  process.stdout.write(`${rows.length} rows, ${cells} cells\n`);
  return 0;
}

main(process.argv.slice(2)).then(
  (rc) => { process.exitCode = rc; },
  (e) => { process.stderr.write(`mdb_reader_read_all: ${e.message}\n`); process.exitCode = 2; },
);
