#!/usr/bin/env python3
"""Reads exported files back with standard readers: every CSV file with
Python's csv module, every XML file with xmllint and Python's XML parser
(the _xHHHH_ escapes of names and texts read as their characters). The
golden files must give back the texts of their tables exactly, line breaks
included; ledgerfen-db's exports of a table with awkward texts must give
back the same rows through both readers, and its XML export in a locale
whose code set is ISO-8859-1 (made with localedef where the locale sources
are installed) must be ASCII and read back as the UTF-8 one does.

usage: read_back_exports.py LEDGERFEN_DB GOLDEN_DIR FIXTURE_FILE WORK_DIR
Exits 77 (skipped) when xmllint is missing.
"""
import csv
import io
import json
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

SKIPPED = 77
ESCAPE = re.compile(r"_x([0-9A-Fa-f]{8}|[0-9A-Fa-f]{4})_")


def unescape(text):
    """Names and texts with their _xHHHH_ escapes read as characters."""
    return ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), text)


def read_csv(path):
    with open(path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    while rows and rows[-1] == []:
        rows.pop()  # the empty last line
    return rows


def read_xml(path):
    checked = subprocess.run(["xmllint", "--noout", path], capture_output=True, text=True, errors="replace")
    if checked.returncode != 0:
        raise AssertionError(f"{path} is not XML: {checked.stderr.strip()}")
    root = ElementTree.parse(path).getroot()
    assert root.tag == "xml", root.tag
    rows = []
    for row in root:
        assert row.tag == "row", row.tag
        rows.append([(unescape(cell.tag), unescape(cell.text or "")) for cell in row])
    return rows


def check_golden(golden_dir, name, failures):
    with open(os.path.join(golden_dir, name + ".json"), encoding="utf-8") as f:
        table = json.load(f)
    texts = [["" if cell is None else cell for cell in row] for row in table["rows"]]
    got = read_csv(os.path.join(golden_dir, name + ".csv"))
    if got != [table["columns"]] + texts:
        failures.append(f"{name}.csv reads back as {got!r}")
    want = [[(column, cell) for column, cell in zip(table["columns"], row)] for row in texts]
    got = read_xml(os.path.join(golden_dir, name + ".xml"))
    if got != want:
        failures.append(f"{name}.xml reads back as {got!r}")


INSERTS = [
    {"A": 'say "hi", then\r\nleave', "B": "x & y <z> 'q'", "I": True},
    {"A": "Ωμέγα 日本", "B": "comma, \"quote\"\nbreak", "C": 7, "I": False},
    {"A": "", "I": True},
    {"A": "lone\rCR _x0041_ \u0001", "B": "Größe café", "I": False},
]


def check_cli(ledgerfen_db, fixture, work_dir, failures):
    database = os.path.join(work_dir, "awkward.accdb")
    shutil.copyfile(fixture, database)
    os.chmod(database, 0o644)
    changes = "".join(json.dumps({"op": "insert", "table": "Table1", "values": v}) + "\n" for v in INSERTS)
    subprocess.run([ledgerfen_db, "apply", database], input=changes, text=True, check=True, capture_output=True)
    files = {}
    for fmt in ("csv", "xml"):
        files[fmt] = os.path.join(work_dir, "table1." + fmt)
        subprocess.run([ledgerfen_db, "export", database, "Table1", "--format", fmt, "-o", files[fmt]], check=True,
                       env=dict(os.environ, LC_ALL="C.UTF-8"))
    rows = read_csv(files["csv"])
    header, data = rows[0], rows[1:]
    for inserted, row in zip(INSERTS, data[-len(INSERTS):]):
        for column in ("A", "B"):
            if row[header.index(column)] != inserted.get(column, ""):
                failures.append(f"CSV column {column} reads back as {row[header.index(column)]!r}")
    from_xml = [[cell for _, cell in row] for row in read_xml(files["xml"])]
    if data != from_xml:
        failures.append(f"the CSV and the XML export read back differently: {data!r} {from_xml!r}")
    if [name for name, _ in read_xml(files["xml"])[0]] != header:
        failures.append("the XML element names do not read back as the captions")
    check_latin1_xml(ledgerfen_db, database, read_xml(files["xml"]), work_dir, failures)


def check_latin1_xml(ledgerfen_db, database, want, work_dir, failures):
    locales = os.path.join(work_dir, "locales")
    os.makedirs(locales, exist_ok=True)
    made = subprocess.run(["localedef", "-i", "de_DE", "-f", "ISO-8859-1", os.path.join(locales, "de_DE.ISO-8859-1")],
                          capture_output=True)
    if made.returncode != 0:
        print("the ISO-8859-1 case is left out: localedef or the locale sources (package locales) are missing")
        return
    path = os.path.join(work_dir, "table1-latin1.xml")
    # glibc keeps the list of LOCPATH's folders for good, which the leak
    # checker of a sanitizer build would count against the program.
    suppressions = os.path.join(work_dir, "locpath.supp")
    with open(suppressions, "w") as f:
        f.write("leak:argz_add_sep\n")
    leaks = ":".join(filter(None, [os.environ.get("LSAN_OPTIONS"), "suppressions=" + suppressions]))
    subprocess.run([ledgerfen_db, "export", database, "Table1", "--format", "xml", "-o", path], check=True,
                   env=dict(os.environ, LOCPATH=locales, LC_ALL="de_DE.ISO-8859-1", LSAN_OPTIONS=leaks))
    with open(path, "rb") as f:
        if any(byte > 0x7F for byte in f.read()):
            failures.append("the XML export in an ISO-8859-1 locale is not ASCII")
    if read_xml(path) != want:
        failures.append("the XML export in an ISO-8859-1 locale reads back differently")


def main():
    if len(sys.argv) != 5:
        print(__doc__, file=sys.stderr)
        return 2
    ledgerfen_db, golden_dir, fixture, work_dir = sys.argv[1:]
    if shutil.which("xmllint") is None:
        print("SKIPPED: xmllint (libxml2-utils) is not installed", file=sys.stderr)
        return SKIPPED
    os.makedirs(work_dir, exist_ok=True)
    failures = []
    names = sorted(f[:-5] for f in os.listdir(golden_dir) if f.endswith(".json"))
    for name in names:
        check_golden(golden_dir, name, failures)
    check_cli(ledgerfen_db, fixture, work_dir, failures)
    for failure in failures:
        print("FAILED:", failure, file=sys.stderr)
    print(f"{len(names)} golden tables and one exported table read back; {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
