#!/usr/bin/env python3
"""Read benchmark: our reader against mdbtools and mdb-reader, in one run.

For each benchmark database (made by generate_bench_db when missing, kept for
later runs) it times, and measures the peak memory of, reading every row of
its table with:

  ledgerfen-db dump --canonical FILE       our command-line reader (JSON lines)
  mdb-export FILE TABLE                    mdbtools (CSV)
  node mdb_reader_read_all.js FILE TABLE   the npm package mdb-reader

Output goes to a pipe whose lines are counted, so every reader really
produces its rows and the row counts can be compared. The file is read once
beforehand so that every reader finds it in the page cache. Peak memory is
the largest resident set of the reader's process, as GNU time reports it. A reader that
runs longer than --timeout seconds is stopped and reported as timed out.

Times are wall-clock and processor (user + system) seconds; on a machine
that others are using the processor time is the steadier of the two. Ratios
are ours / peer, as in the export benchmark: below 1 means we are faster or
smaller.
"""
import argparse
import datetime
import json
import os
import platform
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
TIME = "/usr/bin/time"  # GNU time (Debian package time)


def parse_args():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--build", default=os.path.join(ROOT, "build"), help="build folder (default: build)")
    p.add_argument("--data", help="folder of the benchmark databases (default: BUILD/benchdata)")
    p.add_argument("--rows", default="100000,1000000",
                   help="row counts of the mixed-type table, comma-separated (default: 100000,1000000)")
    p.add_argument("--memo-rows", default="100000",
                   help="row counts of the five-memo table, comma-separated; empty for none (default: 100000)")
    p.add_argument("--timeout", type=float, default=300, help="seconds before a reader is stopped (default: 300)")
    p.add_argument("--repeat", type=int, default=1,
                   help="runs of each reader; the fastest is reported (default: 1)")
    p.add_argument("--node-modules", help="node_modules folder holding mdb-reader (default: from NODE_PATH, "
                   "then the usual places)")
    p.add_argument("--json", help="also write the results to this file as JSON")
    return p.parse_args()


def size_name(rows):
    if rows % 1_000_000 == 0:
        return f"{rows // 1_000_000}m"
    if rows % 1000 == 0:
        return f"{rows // 1000}k"
    return str(rows)


def find_node_modules(given):
    candidates = [given] if given else os.environ.get("NODE_PATH", "").split(os.pathsep) + [
        os.environ.get("LEDGERFEN_ORACLES", ""),
        os.path.join(ROOT, "build", "test", "oracles", "node_modules"),
        os.path.join(ROOT, "..", "oracles", "node_modules"),
        os.path.join(ROOT, "..", "shared", "tools", "node_modules"),
    ]
    for c in candidates:
        if c and os.path.isdir(os.path.join(c, "mdb-reader")):
            return os.path.abspath(c)
    return None


def child_peak_mb(pid):
    """The high-water resident set of the first child of pid, in MB (0 when gone)."""
    try:
        with open(f"/proc/{pid}/task/{pid}/children") as f:
            child = f.read().split()[0]
        with open(f"/proc/{child}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) / 1024.0
    except (OSError, IndexError, ValueError):
        pass
    return 0.0


def run_measured(argv, timeout, env=None):
    """Runs argv under GNU time with its output counted line by line. Returns
    a dict: seconds (wall), cpu_seconds (user and system), peak_mb, lines, last (the end of the output), rc,
    timed_out, stderr (its end).

    The peak comes from GNU time rather than from this process's own wait4:
    a child's maximum resident set starts from that of the process that forked
    it, and a forked Python would add its own tens of megabytes."""
    with tempfile.NamedTemporaryFile("r", prefix="read-bench-", suffix=".time") as report:
        start = time.monotonic()
        proc = subprocess.Popen([TIME, "-q", "-f", "%M %U %S", "-o", report.name] + argv, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, env=env, start_new_session=True)
        counted = {"lines": 0, "last": b"", "err": b""}

        def count_stdout():
            for chunk in iter(lambda: proc.stdout.read(1 << 20), b""):
                counted["lines"] += chunk.count(b"\n")
                counted["last"] = (counted["last"] + chunk)[-4096:]

        def keep_stderr():
            counted["err"] = proc.stderr.read()[-4096:]

        threads = [threading.Thread(target=count_stdout), threading.Thread(target=keep_stderr)]
        for t in threads:
            t.start()
        timed_out = False
        peak_when_stopped = 0.0
        try:
            proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            timed_out = True
            peak_when_stopped = child_peak_mb(proc.pid)
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
        seconds = time.monotonic() - start
        for t in threads:
            t.join()
        peak_mb, cpu = peak_when_stopped, float("nan")
        if not timed_out:
            try:
                kb, user, system = report.read().strip().splitlines()[-1].split()
                peak_mb, cpu = int(kb) / 1024.0, float(user) + float(system)
            except (ValueError, IndexError):
                peak_mb = float("nan")
    return {
        "seconds": seconds,
        "cpu_seconds": cpu,
        "peak_mb": peak_mb,
        "lines": counted["lines"],
        "last": counted["last"].decode("utf-8", "replace"),
        "rc": proc.returncode,
        "timed_out": timed_out,
        "stderr": counted["err"].decode("utf-8", "replace").strip(),
    }


def generate(generator, path, rows, kind):
    print(f"  making {os.path.basename(path)} ({rows} rows, {kind}) ...", flush=True)
    r = subprocess.run([generator, path, str(rows), "--table", kind], capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit(f"generate_bench_db failed: {r.stderr.strip()}")
    print("  " + r.stdout.strip(), flush=True)


def warm(path):
    with open(path, "rb") as f:
        while f.read(1 << 24):
            pass


def main():
    args = parse_args()
    build = os.path.abspath(args.build)
    data = os.path.abspath(args.data or os.path.join(build, "benchdata"))
    ours = os.path.join(build, "tools", "ledgerfen-db", "ledgerfen-db")
    generator = os.path.join(build, "bench", "generate_bench_db")
    for tool in (ours, generator):
        if not os.access(tool, os.X_OK):
            sys.exit(f"{tool} is missing: build it first (see bench/README.md)")
    if not os.access(TIME, os.X_OK):
        sys.exit(f"{TIME} is missing: install GNU time (apt-get install time)")
    mdb_export = shutil.which("mdb-export")
    node = shutil.which("node")
    node_modules = find_node_modules(args.node_modules)
    os.makedirs(data, exist_ok=True)

    cases = []  # (label, path, table, rows)
    for rows in [int(r) for r in args.rows.split(",") if r]:
        cases.append((f"mixed {size_name(rows)}", os.path.join(data, f"mixed-{size_name(rows)}.mdb"), "Orders",
                      rows, "mixed"))
    for rows in [int(r) for r in args.memo_rows.split(",") if r]:
        cases.append((f"5 memos {size_name(rows)}", os.path.join(data, f"memos-{size_name(rows)}.mdb"), "Memos",
                      rows, "memos"))

    print(f"read benchmark, {datetime.date.today()}, {platform.node()}: {os.cpu_count()} cores, "
          f"python {platform.python_version()}")
    print(f"  mdb-export: {mdb_export or 'not installed'}; node: {node or 'not installed'}; "
          f"mdb-reader: {node_modules or 'not found (see --node-modules)'}")
    for _, path, _, rows, kind in cases:
        if not os.path.exists(path):
            generate(generator, path, rows, kind)

    results = []
    for label, path, table, rows, _ in cases:
        warm(path)
        size_mb = os.path.getsize(path) / 1e6
        print(f"\n{label}: {path} ({size_mb:.1f} MB, {rows} rows)", flush=True)
        readers = [("ledgerfen-db dump", [ours, "dump", "--canonical", path], None, lambda n: n - 2)]
        if mdb_export:
            readers.append(("mdb-export", [mdb_export, path, table], None, lambda n: n - 1))
        if node and node_modules:
            env = dict(os.environ, NODE_PATH=node_modules)
            readers.append(("mdb-reader", [node, os.path.join(HERE, "mdb_reader_read_all.js"), path, table], env,
                            None))
        measured = {}
        for name, argv, env, rows_from_lines in readers:
            best = None
            for _ in range(max(1, args.repeat)):
                r = run_measured(argv, args.timeout, env)
                if r["timed_out"] or r["rc"] != 0:
                    best = r
                    break
                if best is None or r["seconds"] < best["seconds"]:
                    best = r
            r = best
            if r["timed_out"]:
                r["outcome"] = f"timed out after {args.timeout:g} s"
            elif r["rc"] != 0:
                r["outcome"] = f"failed (exit {r['rc']}): {r['stderr'].splitlines()[-1] if r['stderr'] else ''}"
            else:
                seen = rows_from_lines(r["lines"]) if rows_from_lines else int(r["last"].split()[0])
                r["rows_seen"] = seen
                r["outcome"] = "ok" if seen == rows else f"read {seen} rows, expected {rows}"
            measured[name] = r
            print(f"  {name:18} {r['seconds']:8.2f} s  cpu {r['cpu_seconds']:8.2f} s {r['peak_mb']:8.0f} MB  "
                  f"{r['outcome']}", flush=True)
        base = measured["ledgerfen-db dump"]
        for name, r in measured.items():
            if name == "ledgerfen-db dump" or base["outcome"] != "ok":
                continue
            if r["outcome"] == "ok":
                print(f"  ours / {name}: time {base['seconds'] / r['seconds']:.2f}, "
                      f"cpu {base['cpu_seconds'] / max(r['cpu_seconds'], 0.01):.2f}, "
                      f"memory {base['peak_mb'] / r['peak_mb']:.2f}")
            elif r["timed_out"]:
                print(f"  ours / {name}: time < {base['seconds'] / args.timeout:.3f} ({name} timed out), "
                      f"memory <= {base['peak_mb'] / max(r['peak_mb'], 0.01):.2f} ({name} when stopped)")
        results.append({"case": label, "file": path, "file_mb": size_mb, "rows": rows,
                        "readers": {n: {k: v for k, v in r.items() if k not in ("last",)}
                                    for n, r in measured.items()}})
    if args.json:
        with open(args.json, "w") as f:
            json.dump({"date": str(datetime.date.today()), "cores": os.cpu_count(), "results": results}, f,
                      indent=2)
    failed = any(r["readers"]["ledgerfen-db dump"]["outcome"] != "ok" for r in results)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
