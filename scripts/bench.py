#!/usr/bin/env python3
"""Runs Brenvik's benchmark suite and prints one Markdown table.

Called by scripts/bench.sh, which builds the programs first. Arguments:
  --build DIR        the Release build with the benchmarks (bench/, src/cli/...)
  --sizes N,N,...    history rows of the suite (default 10000,100000,1000000)
  --baseline DIR     a build of an older store: its suite runs too ("before"),
                     and its brenvik-cli in the side-by-side run
  --tuptime N,N,...  boots of the side-by-side run against tuptime (0: none)
  --only PARTS       the parts to run: suite,report,cli,window,start-up,tuptime
                     (all)
  --json FILE        also write every figure as JSON (for scripts/bench_plot.py)
Ends with a table of the targets, each with what this run measured.
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


def window_first_paint(program, env):
    """One start of the window with BRENVIK_EXIT_AFTER_FIRST_PAINT: the wall
    seconds from the start of the process until it reports its first paint,
    the milliseconds it counts itself from main, and the peak resident kB of
    the whole run (the close included)."""
    env = dict(env, BRENVIK_EXIT_AFTER_FIRST_PAINT="1")
    started = time.perf_counter()
    proc = subprocess.Popen(["/usr/bin/time", "-f", "%M", program], env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    line = proc.stdout.readline()
    wall = time.perf_counter() - started
    _, err = proc.communicate(timeout=600)
    if proc.returncode != 0 or not line.startswith("first paint after"):
        raise RuntimeError(f"{program} did not report its first paint: {line!r} {err[-400:]}")
    return wall, float(line.split()[3]), int(err.strip().splitlines()[-1])


def window_workloads(build, sizes, tmp, repeats=3):
    """The real window (Release, offscreen platform, no service) started over
    generated trees until its first paint: by then the tables are open, the
    settings restored and the first statistics refresh with its pass done.
    The empty tree gives the window's own memory; the rest is per history row."""
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
    own = None
    for rows in [0, *sizes]:
        if rows:
            generate(build, root, max(rows // 10, 1), 9)
        window_first_paint(program, env)  # settles the tree (and a first run's files)
        runs = [window_first_paint(program, env) for _ in range(repeats)]
        peak = median(r[2] for r in runs)
        figures[(rows, "window_first_paint")] = (median(r[0] for r in runs) * 1000, "ms")
        figures[(rows, "window_first_paint_from_main")] = (median(r[1] for r in runs), "ms")
        figures[(rows, "window_peak_memory")] = (peak / 1024, "MB")
        if rows == 0:
            own = peak
        else:
            figures[(rows, "window_bytes_per_history_row")] = ((peak - own) * 1024 / rows, "bytes")
        shutil.rmtree(root, ignore_errors=True)
    return figures


def cpu_of_run(cmd, env):
    """Processor seconds (user + system) and wall seconds of one run of cmd."""
    started = time.perf_counter()
    proc = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - started
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        raise RuntimeError(f"{cmd[0]} failed ({proc.returncode})")
    return usage.ru_utime + usage.ru_stime, wall


def cli_start_up(build, tmp, runs=200):
    """brenvik-cli uptime-report on an empty data tree, many runs alternating
    with /bin/true (the cost of any process here): median processor and wall
    milliseconds of each."""
    env = dict(os.environ, HOME=tmp, XDG_CONFIG_HOME=os.path.join(tmp, "config"))
    root = os.path.join(tmp, "empty-tree")
    command = [cli(build), "--root", root, "uptime-report"]
    cpu_of_run(command, env)  # the first run makes the tree
    cli_runs, true_runs = [], []
    for _ in range(runs):
        cli_runs.append(cpu_of_run(command, env))
        true_runs.append(cpu_of_run(["/bin/true"], env))
    shutil.rmtree(root)
    return {(0, "cli_start_up_cpu"): (median(r[0] for r in cli_runs) * 1000, "ms"),
            (0, "cli_start_up_wall"): (median(r[1] for r in cli_runs) * 1000, "ms"),
            (0, "bin_true_cpu"): (median(r[0] for r in true_runs) * 1000, "ms"),
            (0, "bin_true_wall"): (median(r[1] for r in true_runs) * 1000, "ms")}


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


def side_by_side(build, boots_list, tmp, repeats=5, baseline=None):
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
        figures[(boots, "memory_ratio")] = (figures[(boots, "tuptime_peak_memory")][0] /
                                            figures[(boots, "brenvik_peak_memory")][0], "x")
        if boots == boots_list[-1]:
            figures.update(bytes_written(build, root, env))
        shutil.rmtree(root)
    return figures


def bytes_written(build, root, env):
    """What brenvik-cli uptime-report changes on disk over a tree that has
    nothing new (the report's pass and the close): the bytes of its write
    calls to files (standard output left out) and the number of calls that
    change the file system (writes, flushes, renames, links, removals,
    truncations), counted with strace. Measured on the code of this
    revision."""
    if not shutil.which("strace"):
        return {}
    trace = root.rstrip("/") + ".strace"
    timed([cli(build), "--root", root, "uptime-report"], env)  # takes in what is new
    calls = "write,pwrite64,writev,pwritev,fsync,fdatasync,rename,renameat,renameat2,link," \
            "linkat,unlink,unlinkat,ftruncate,truncate,mkdir,mkdirat"
    subprocess.run(["strace", "-f", "-qq", "-e", "trace=" + calls, "-e", "signal=none", "-o", trace,
                    cli(build), "--root", root, "uptime-report"],
                   env=env, check=True, capture_output=True)
    total, changes = 0, 0
    with open(trace) as f:
        for line in f:
            call = line.split(None, 1)[-1]
            if "(" not in call or "=" not in call:
                continue
            name, args = call.split("(", 1)
            result = call.rsplit("=", 1)[-1].split()[0]
            if name.startswith(("write", "pwrite")):
                if args.split(",", 1)[0] in ("1", "2"):
                    continue
                total += max(int(result), 0) if result.lstrip("-").isdigit() else 0
            changes += 1
    os.remove(trace)
    rows = int(root.rsplit("-", 1)[-1])
    return {(rows, "bytes_written_by_a_look"): (total, "bytes"),
            (rows, "file_changing_calls_of_a_look"): (changes, "calls")}


def table(columns, figures, sizes):
    names = []
    for (_, name) in sorted(figures, key=lambda k: k[1]):
        if name not in names:
            names.append(name)
    head = "| figure | " + " | ".join("one size" if s == 0 else f"{s:,}" for s in sizes) + " |"
    lines = [head, "|---|" + "---|" * len(sizes)]
    order = [n for n in columns if n in names] + [n for n in names if n not in columns]
    for name in order:
        cells = []
        for s in sizes:
            v = figures.get((s, name))
            cells.append("" if v is None else f"{v[0]:.4g} {v[1]}")
        lines.append(f"| {name} | " + " | ".join(cells) + " |")
    return "\n".join(lines)


# The targets the run is checked against: (figure, size, bound, "max" or
# "min"); a figure of size 0 is one without a size.
TARGETS = [("speed_ratio", 10000, 15, "min"), ("speed_ratio", 100000, 50, "min"),
           ("speed_ratio", 1000000, 50, "min"), ("memory_ratio", 10000, 1, "min"),
           ("memory_ratio", 100000, 1, "min"), ("memory_ratio", 1000000, 1, "min"),
           ("cli_start_up_cpu", 0, 3, "max"), ("window_first_paint", 1000000, 250, "max"),
           ("window_bytes_per_history_row", 1000000, 120, "max"),
           ("uptime_csv_per_row", 1000000, 0.5, "max")]


def targets(figures):
    lines = ["| figure | size | measured | target | met |", "|---|---|---|---|---|"]
    for name, size, bound, kind in TARGETS:
        value = figures.get((size, name))
        if value is None:
            continue
        met = value[0] >= bound if kind == "min" else value[0] <= bound
        sign = ">=" if kind == "min" else "<="
        where = f"{size:,}" if size else "-"
        lines.append(f"| {name} | {where} | {value[0]:.4g} {value[1]} | {sign} {bound:g} "
                     f"{value[1]} | {'yes' if met else 'NO'} |")
    return "\n".join(lines)


def load():
    return " ".join(open("/proc/loadavg").read().split()[:3])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--sizes", default="10000,100000,1000000")
    ap.add_argument("--baseline")
    ap.add_argument("--tuptime", default="10000,100000,1000000")
    ap.add_argument("--only", default="suite,report,cli,window,start-up,tuptime",
                    help="the parts to run, of suite, report, cli, window, start-up, tuptime")
    ap.add_argument("--json")
    args = ap.parse_args()
    parts = set(args.only.split(","))
    sizes = [int(s) for s in args.sizes.split(",")]
    order = ["open_tables", "first_pass_of_a_run", "pass_100_lines", "bytes_written_per_pass",
             "memory_per_row", "close_with_backups", "pass_reading_run_of_transactions",
             "pass_replaying_run_of_transactions"]
    result, every = {}, {}
    with tempfile.TemporaryDirectory(prefix="brenvik-bench-") as tmp:
        new = {}
        if "suite" in parts:
            new.update(run_suite(args.build, sizes))
        if "report" in parts:
            new.update(run_suite(args.build, sizes, "brenvik_report_bench"))
        if "cli" in parts:
            new.update(cli_workloads(args.build, sizes, tmp))
        if "window" in parts:
            new.update(window_workloads(args.build, sizes, tmp))
        if "start-up" in parts:
            new.update(cli_start_up(args.build, tmp))
        every.update(new)
        print(f"### Store now (history rows across; load {load()} at the end)\n")
        print(table(order, new, sorted({k[0] for k in new})))
        result["now"] = {f"{k[0]}:{k[1]}": v for k, v in new.items()}
        if args.baseline and "suite" in parts:
            old = run_suite(args.baseline, sizes)
            print("\n### Store before (history rows across)\n")
            print(table(order, old, sizes))
            result["before"] = {f"{k[0]}:{k[1]}": v for k, v in old.items()}
        boots = [int(s) for s in args.tuptime.split(",") if int(s) > 0]
        if boots and "tuptime" in parts and shutil.which("tuptime"):
            side = side_by_side(args.build, boots, tmp, baseline=args.baseline)
            every.update(side)
            print(f"\n### brenvik-cli uptime-report against tuptime -n (boots across; median of "
                  f"five alternating runs; load {load()} at the end)\n")
            print(table(["tuptime_report", "brenvik_uptime_report", "speed_ratio",
                         "tuptime_peak_memory", "brenvik_peak_memory", "memory_ratio"], side, boots))
            result["tuptime"] = {f"{k[0]}:{k[1]}": v for k, v in side.items()}
    print("\n### Targets\n")
    print(targets(every))
    if args.json:
        with open(args.json, "w") as f:
            json.dump(result, f, indent=1)


if __name__ == "__main__":
    sys.exit(main())
