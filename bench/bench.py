#!/usr/bin/env python3
"""The benchmark behind scripts/bench: what users feel of the updater, each
figure beside a baseline measured in the same run, so that a figure means
something on a shared, noisy machine.

Runs inside the test bed (display, template prefix, download host), prints
one table, and in a full run appends it with the date, the commit and the
machine to bench/RESULTS.md. --quick makes one short round of every figure
and writes nothing: it only shows that the benchmark still works, and
judges no time.
"""
import argparse
import datetime
import os
import shutil
import subprocess
import sys
import time
import traceback

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path[:0] = [os.path.dirname(__file__), os.path.join(ROOT, "scripts", "lib"), os.path.join(ROOT, "tests", "e2e")]

import service_figures  # noqa: E402
import size_figure  # noqa: E402
import wine_figures  # noqa: E402
import winebed  # noqa: E402
from stats import Sample  # noqa: E402


class Mode:
    def __init__(self, quick):
        self.quick = quick
        self.runs = 1 if quick else 5
        self.dialog_runs = 1 if quick else 25
        # Pairs of a run and its baseline, side by side in one prefix.
        self.pair_runs = 1 if quick else 11
        self.reader_sizes = [10_000, 100_000] if quick else [10_000, 100_000, 1_000_000, 10_000_000]
        # Repeat a reader only while its reads took less than the budget; a
        # single read over the cap ends that reader's sizes as too slow.
        self.reader_budget_s = 5 if quick else 30
        self.reader_cap_s = 60 if quick else 240
        self.capture_mib = [1, 4] if quick else [1, 4, 16, 64]
        self.capture_cap_s = 300 if quick else 1800


COLUMNS = ("figure", "value", "baseline", "goal", "verdict")
HEADINGS = ("figure", "measured: median (min–max)", "baseline, same run", "goal", "result")


def table(rows):
    lines = ["| " + " | ".join(HEADINGS) + " |", "|" + "---|" * len(HEADINGS)]
    for row in rows:
        lines.append("| " + " | ".join(str(row.get(c, "")).replace("|", "/") for c in COLUMNS) + " |")
    return "\n".join(lines)


def machine():
    def out(*cmd):
        return subprocess.run(cmd, capture_output=True, text=True, check=False).stdout.strip()

    commit = out("git", "-C", ROOT, "rev-parse", "--short", "HEAD")
    if out("git", "-C", ROOT, "status", "--porcelain", "--untracked-files=no", "--", ".", ":!bench/RESULTS.md"):
        commit += " (with uncommitted changes)"
    with open("/proc/meminfo") as f:
        mem_kib = int(f.readline().split()[1])
    return "%s · commit %s · nproc %s, %.1f GiB memory, %s" % (
        datetime.datetime.now().strftime("%Y-%m-%d %H:%M"), commit, os.cpu_count(), mem_kib / (1 << 20),
        out(winebed.WINE, "--version"))


def figures(bench, native_readers):
    """(label, function) of every figure, in the order of the table; each
    returns a row or a list of rows."""
    baseline_kib = []

    def start():
        row, kib, pairs = wine_figures.start_to_first_dialog(bench)
        baseline_kib.append(kib)
        return row, [pairs]

    def memory():
        return wine_figures.memory_of_desktop_run(bench, baseline_kib[0] if baseline_kib else Sample([]))

    return [
        ("start", start),
        ("bytes-curl", lambda: wine_figures.unchanged_run_bytes(bench, "curl")),
        ("bytes-wget", lambda: wine_figures.unchanged_run_bytes(bench, "wget")),
        ("readers-native", lambda: wine_figures.readers_native(bench, native_readers)),
        ("readers-wine", lambda: wine_figures.readers_wine(bench)),
        ("capture", lambda: wine_figures.captured_output(bench)),
        ("size", lambda: size_figure.measure(ROOT)),
        ("memory", memory),
        ("downtime", lambda: service_figures.downtime_of_update_run(bench)),
        ("current", lambda: service_figures.nothing_to_do_run(bench)),
    ]


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="one short round, nothing written")
    parser.add_argument("--native-readers", required=True, help="the native bench_readers program")
    parser.add_argument("--only", help="comma-separated figures to run (start, bytes-curl, bytes-wget, "
                                       "readers-native, readers-wine, capture, size, memory, downtime, "
                                       "current); nothing is written")
    args = parser.parse_args(argv)
    only = set(args.only.split(",")) if args.only else None
    mode = Mode(args.quick)
    workdir = os.path.join(ROOT, "build", "bench-work")
    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(workdir)
    bench = wine_figures.Bench(ROOT, mode, workdir)

    rows, notes, failed = [], [], []
    for name, measure in figures(bench, args.native_readers):
        if only and name not in only:
            continue
        print("== %s" % name, end="", flush=True)
        started = time.monotonic()
        try:
            result = measure()
        except Exception as error:  # a figure that fails is reported, the others still run
            print()
            traceback.print_exc()
            failed.append(name)
            rows.append({"figure": name, "verdict": "FAILED: %s" % str(error)[:200]})
            continue
        print(" (%.0f s)" % (time.monotonic() - started), flush=True)
        if isinstance(result, tuple):
            result, more_notes = result
            notes += more_notes
        rows += result if isinstance(result, list) else [result]

    heading = machine()
    text = table(rows) + "\n\n" + "\n".join("- " + note for note in notes)
    print("\n" + heading + ("  (quick round: figures not meaningful)" if mode.quick else "") + "\n")
    print(text)
    if not mode.quick and not only:
        with open(os.path.join(ROOT, "bench", "RESULTS.md"), "a", encoding="utf-8") as f:
            f.write("\n## %s\n\n%s\n" % (heading, text))
    shutil.rmtree(workdir, ignore_errors=True)
    if failed:
        print("\nfailed: " + ", ".join(failed), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
