#!/usr/bin/env python3
"""Runs Brenvik's benchmark suite and prints one Markdown table.

Called by scripts/bench.sh, which builds the programs first. Arguments:
  --build DIR        the Release build with the benchmarks (bench/, src/cli/...)
  --sizes N,N,...    history rows of the suite (default 10000,100000,1000000)
  --baseline DIR     a build of an older store: its suite runs too ("before"),
                     and its brenvik-cli in the side-by-side run
  --tuptime N,N,...  boots of the side-by-side run against tuptime (0: none)
  --json FILE        also write every figure as JSON (for scripts/bench_plot.py)
"""
import argparse
import datetime
import json
import os
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time


def run_suite(build, sizes, program="brenvik_suite_bench"):
    """The figures of one of the suite programs: lines of rows, name, value, unit."""
    out = subprocess.run([os.path.join(build, "bench", program), *map(str, sizes)],
                         check=True, capture_output=True, text=True).stdout
    figures = {}
    for line in out.splitlines():
        rows, name, value, unit = line.split()
        figures[(int(rows), name)] = (float(value), unit)
    return figures


def timed(cmd, env=None):
    """Wall seconds and peak resident kB of one run of cmd."""
    before = time.perf_counter()
    proc = subprocess.run(["/usr/bin/time", "-f", "%M", *cmd], capture_output=True, text=True, env=env)
    wall = time.perf_counter() - before
    if proc.returncode != 0:
        raise RuntimeError(f"{cmd[0]} failed: {proc.stderr[-400:]}")
    return wall, int(proc.stderr.strip().splitlines()[-1])


def median(values):
    values = sorted(values)
    return values[len(values) // 2]


def generate(build, root, boots, programs, scale=1.0, first_year=1995, csv=None):
    cmd = [os.path.join(build, "tools", "brenvik-datagen", "brenvik-datagen"), "--root", root,
           "--boots", str(boots), "--programs-per-boot", str(programs),
           "--time-scale", str(scale), "--first-year", str(first_year)]
    if csv:
        cmd += ["--boots-csv", csv]
    subprocess.run(cmd, check=True, capture_output=True)


def cli(build):
    return os.path.join(build, "src", "cli", "brenvik-cli")


def cli_workloads(build, sizes, tmp):
    """The report workloads as whole command-line runs (start-up with its
    first statistics refresh, the command, the close with the backups)."""
    figures = {}
    env = dict(os.environ, HOME=tmp, XDG_CONFIG_HOME=os.path.join(tmp, "config"))
    for rows in sizes:
        root = os.path.join(tmp, f"cli-{rows}")
        generate(build, root, max(rows // 10, 1), 9)
        commands = {
            "cli_statistics_refresh": ["uptime-report"],
            "cli_browse_time_filter": ["history", "--after", "2000-01-01 00:00:00",
                                       "--before", "2001-01-01 00:00:00"],
            "cli_browse_source_filter": ["history", "--source", "programs"],
            "cli_uptime_csv_export": ["history", "--csv", os.path.join(tmp, "export.csv")],
            "cli_login_report": ["logins"],
        }
        for name, args in commands.items():
            # A clock that stands still after the history, so that no command
            # waits for the next second between its passes.
            runs = [timed([cli(build), "--root", root, "--now", "2200-01-01 00:00:00",
                           "--uptime", "3600", *args], env) for _ in range(3)]
            figures[(rows, name)] = (median(r[0] for r in runs) * 1000, "ms")
            figures[(rows, name + "_peak_memory")] = (max(r[1] for r in runs) / 1024, "MB")
            if name == "cli_statistics_refresh":
                # The start-up of the window with its first refresh, as the
                # command line does it: peak resident bytes per history row.
                figures[(rows, "peak_memory_per_history_row")] = (
                    max(r[1] for r in runs) * 1024 / rows, "bytes")
        shutil.rmtree(root)
    return figures


def proc_figures(pid):
    """Processor ticks used so far and peak resident kB of a running process."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    with open(f"/proc/{pid}/status") as f:
        peak = next(int(line.split()[1]) for line in f if line.startswith("VmHWM:"))
    return int(fields[11]) + int(fields[12]), peak


def window_start_up(program, env, settle=1.5, limit=120.0):
    """Starts the window and waits until its start-up is over: for `settle`
    seconds no 50 ms sample saw it busy for more than half of the time (the
    seconds timer's rewrite of the figures costs a tick now and then, which
    is not start-up work). Returns the wall seconds up to the last busy
    sample and the peak resident kB; the window is then stopped."""
    hertz = os.sysconf("SC_CLK_TCK")
    period = 0.05
    proc = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    started = time.perf_counter()
    try:
        ticks, busy_until, peak = 0, started, 0
        while time.perf_counter() - started < limit:
            time.sleep(period)
            if proc.poll() is not None:
                raise RuntimeError(f"{program} ended during its start-up ({proc.returncode})")
            now_ticks, peak = proc_figures(proc.pid)
            if (now_ticks - ticks) / hertz > period / 2:
                busy_until = time.perf_counter()
            ticks = now_ticks
            if time.perf_counter() - busy_until >= settle:
                return busy_until - started, peak
        raise RuntimeError(f"{program} still busy after {limit} s")
    finally:
        proc.send_signal(signal.SIGTERM)
        proc.wait()


def window_workloads(build, sizes, tmp):
    """The window's start-up over generated trees (tables opened, the first
    statistics refresh with its pass) on the offscreen platform: its time and
    the peak resident size of the window process."""
    program = os.path.join(build, "src", "window", "brenvik")
    service = os.path.join(build, "tools", "brenvik-service", "brenvik-service")
    if not (os.path.exists(program) and os.path.exists(service)):
        return {}
    figures = {}
    home = os.path.join(tmp, "window")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"), XDG_RUNTIME_DIR=os.path.join(home, "run"),
               TMPDIR=home, QT_QPA_PLATFORM="offscreen")
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    subprocess.run([service, "--install-user-key"], env=env, check=True, capture_output=True)
    root = os.path.join(env["XDG_DATA_HOME"], "Taveron", "Brenvik")
    for rows in sizes:
        generate(build, root, max(rows // 10, 1), 9)
        runs = [window_start_up(program, env) for _ in range(3)]
        figures[(rows, "window_start_up")] = (median(r[0] for r in runs) * 1000, "ms")
        figures[(rows, "window_peak_memory")] = (max(r[1] for r in runs) / 1024, "MB")
        shutil.rmtree(root)
    return figures


def tuptime_database(csv_path, db_path):
    db = sqlite3.connect(db_path)
    db.execute("CREATE TABLE tuptime (bootid TEXT, btime INTEGER, uptime REAL, rntime REAL, "
               "slptime REAL, offbtime INTEGER, endst INTEGER, downtime REAL, kernel TEXT)")
    with open(csv_path) as f:
        rows = []
        for n, line in enumerate(f):
            btime, uptime, offbtime, endst, downtime = line.strip().split(",")
            # endst: 1 for an orderly shutdown, 0 for a crash.
            rows.append((f"boot-{n}", int(btime), float(uptime), float(uptime), 0.0, int(offbtime),
                         1 - int(endst), float(downtime), "Linux-6.1.0-amd64-x86_64"))
        db.executemany("INSERT INTO tuptime VALUES (?,?,?,?,?,?,?,?,?)", rows)
    db.execute("PRAGMA user_version = 5")
    db.commit()
    db.close()


def side_by_side(build, boots_list, tmp, repeats=3, baseline=None):
    figures = {}
    env = dict(os.environ, HOME=tmp, XDG_CONFIG_HOME=os.path.join(tmp, "config"))
    for boots in boots_list:
        root = os.path.join(tmp, f"boots-{boots}")
        csv = os.path.join(tmp, f"boots-{boots}.csv")
        db = os.path.join(tmp, f"tuptime-{boots}.db")
        # About 12 years of boots whatever their number, ending in the past.
        generate(build, root, boots, 0, scale=min(1.0, 10000 / boots), first_year=2008, csv=csv)
        tuptime_database(csv, db)
        t_runs, b_runs, o_runs = [], [], []
        old_cli = baseline and os.path.exists(cli(baseline))
        for _ in range(repeats):  # alternating, so that all see the same machine
            t_runs.append(timed(["tuptime", "-f", db, "-n"], env))
            b_runs.append(timed([cli(build), "--root", root, "uptime-report"], env))
            if old_cli:
                o_runs.append(timed([cli(baseline), "--root", root, "uptime-report"], env))
        if o_runs:
            ow = median(r[0] for r in o_runs)
            figures[(boots, "brenvik_before_uptime_report")] = (ow * 1000, "ms")
            figures[(boots, "speed_ratio_before")] = (median(r[0] for r in t_runs) / ow, "x")
            figures[(boots, "brenvik_before_peak_memory")] = (max(r[1] for r in o_runs) / 1024, "MB")
        tw, bw = median(r[0] for r in t_runs), median(r[0] for r in b_runs)
        figures[(boots, "tuptime_report")] = (tw * 1000, "ms")
        figures[(boots, "brenvik_uptime_report")] = (bw * 1000, "ms")
        figures[(boots, "tuptime_peak_memory")] = (max(r[1] for r in t_runs) / 1024, "MB")
        figures[(boots, "brenvik_peak_memory")] = (max(r[1] for r in b_runs) / 1024, "MB")
        figures[(boots, "speed_ratio")] = (tw / bw, "x")
        shutil.rmtree(root)
    return figures


def table(columns, figures, sizes):
    names = []
    for (_, name) in sorted(figures, key=lambda k: k[1]):
        if name not in names:
            names.append(name)
    head = "| figure | " + " | ".join(f"{s:,}" for s in sizes) + " |"
    lines = [head, "|---|" + "---|" * len(sizes)]
    order = [n for n in columns if n in names] + [n for n in names if n not in columns]
    for name in order:
        cells = []
        for s in sizes:
            v = figures.get((s, name))
            cells.append("" if v is None else f"{v[0]:.4g} {v[1]}")
        lines.append(f"| {name} | " + " | ".join(cells) + " |")
    return "\n".join(lines)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--sizes", default="10000,100000,1000000")
    ap.add_argument("--baseline")
    ap.add_argument("--tuptime", default="10000,100000,1000000")
    ap.add_argument("--json")
    args = ap.parse_args()
    sizes = [int(s) for s in args.sizes.split(",")]
    order = ["open_tables", "first_pass_of_a_run", "pass_100_lines", "bytes_written_per_pass",
             "memory_per_row", "close_with_backups", "pass_reading_run_of_transactions",
             "pass_replaying_run_of_transactions"]
    result = {}
    with tempfile.TemporaryDirectory(prefix="brenvik-bench-") as tmp:
        new = run_suite(args.build, sizes)
        new.update(run_suite(args.build, sizes, "brenvik_report_bench"))
        new.update(cli_workloads(args.build, sizes, tmp))
        new.update(window_workloads(args.build, sizes, tmp))
        print("### Store now (history rows across)\n")
        print(table(order, new, sizes))
        result["now"] = {f"{k[0]}:{k[1]}": v for k, v in new.items()}
        if args.baseline:
            old = run_suite(args.baseline, sizes)
            print("\n### Store before (history rows across)\n")
            print(table(order, old, sizes))
            result["before"] = {f"{k[0]}:{k[1]}": v for k, v in old.items()}
        boots = [int(s) for s in args.tuptime.split(",") if int(s) > 0]
        if boots and shutil.which("tuptime"):
            side = side_by_side(args.build, boots, tmp, baseline=args.baseline)
            print("\n### brenvik-cli uptime-report against tuptime (boots across)\n")
            print(table(["tuptime_report", "brenvik_uptime_report", "speed_ratio",
                         "tuptime_peak_memory", "brenvik_peak_memory"], side, boots))
            result["tuptime"] = {f"{k[0]}:{k[1]}": v for k, v in side.items()}
    if args.json:
        with open(args.json, "w") as f:
            json.dump(result, f, indent=1)


if __name__ == "__main__":
    sys.exit(main())
