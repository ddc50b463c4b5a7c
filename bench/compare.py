#!/usr/bin/env python3
"""Whole-process figures of corvane-cli against reference programs, side by side.

usage: compare.py BUILD_DIR [--runs N] [--keep DIR]

Writes the benchmark files (make_bench_files) into a temporary folder, then times each
pair of commands alternately, N runs each after a warm-up, and prints the medians and
their ratio:
  - listing the icons of a 13.7 MB module with 1,840 icons: `corvane-cli icons --json`
    against `wrestool -l` (icoutils; skipped when it is not installed);
  - showing a 10,000-button bar (`corvane-cli show --json`) against reading it with
    Python's configparser, and saving it again (`corvane-cli edit BAR`) against reading
    and writing it with configparser;
and the peak resident memory of `icons` on the module. Output goes to /dev/null.
Reports only; asserts nothing.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

CONFIGPARSER_READ = """
import configparser, sys
bar = configparser.ConfigParser(interpolation=None, strict=False)
bar.optionxform = str
with open(sys.argv[1], encoding="latin-1") as f:
    bar.read_file(f)
sum(len(value) for value in bar["Buttonbar"].values())
"""

CONFIGPARSER_SAVE = """
import configparser, sys
bar = configparser.ConfigParser(interpolation=None, strict=False)
bar.optionxform = str
with open(sys.argv[1], encoding="latin-1") as f:
    bar.read_file(f)
with open(sys.argv[1], "w", encoding="latin-1") as f:
    bar.write(f)
"""


def run_once(argv):
    """Wall time in ms and peak resident memory in KiB of one run; stdout discarded."""
    with open(os.devnull, "wb") as null:
        start = time.perf_counter()
        child = subprocess.Popen(argv, stdout=null, stderr=subprocess.PIPE)
        _, status, usage = os.wait4(child.pid, 0)
        elapsed = (time.perf_counter() - start) * 1000
        child.returncode = os.waitstatus_to_exitcode(status)
        err = child.stderr.read()
        child.stderr.close()
    if child.returncode != 0:
        sys.exit(f"{' '.join(argv)} failed ({child.returncode}): {err.decode(errors='replace')}")
    return elapsed, usage.ru_maxrss


def compare(title, ours, theirs, runs):
    """Times both commands (label, argv) alternately; prints and returns the medians (ms)."""
    (our_label, ours), (their_label, theirs) = ours, theirs
    for _ in range(3):
        run_once(ours)
        run_once(theirs)
    times = {"ours": [], "theirs": []}
    for _ in range(runs):
        times["ours"].append(run_once(ours)[0])
        times["theirs"].append(run_once(theirs)[0])
    mine = statistics.median(times["ours"])
    other = statistics.median(times["theirs"])
    print(title)
    print(f"  {our_label}: median {mine:.2f} ms")
    print(f"  {their_label}: median {other:.2f} ms")
    print(f"  ratio: {other / mine:.2f}x")
    return mine, other


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", help="the build folder (holds bin/corvane-cli and bench/)")
    parser.add_argument("--runs", type=int, default=30)
    parser.add_argument("--keep", help="write the files here and keep them")
    args = parser.parse_args()
    cli = os.path.join(args.build, "bin", "corvane-cli")
    maker = os.path.join(args.build, "bench", "make_bench_files")
    folder = args.keep or tempfile.mkdtemp(prefix="corvane-compare-")
    try:
        subprocess.run([maker, folder], check=True)
        module = os.path.join(folder, "system.dll")
        bar = os.path.join(folder, "bar10000.bar")
        saved = os.path.join(folder, "saved.bar")
        shutil.copyfile(bar, saved)
        print(f"files in {folder}: system.dll {os.path.getsize(module):,} bytes, "
              f"bar10000.bar {os.path.getsize(bar):,} bytes; {args.runs} runs each")
        wrestool = shutil.which("wrestool")
        if wrestool:
            compare("list the icons of system.dll (184 groups, 1,840 icons)",
                    ("corvane-cli icons --json", [cli, "icons", module, "--json"]),
                    ("wrestool -l", [wrestool, "-l", module]), args.runs)
        else:
            print("wrestool (icoutils) is not installed: the icon listing is not compared")
        peaks = [run_once([cli, "icons", module, "--json"])[1] for _ in range(5)]
        print(f"peak resident memory of icons --json: median {statistics.median(peaks):,.0f} KiB "
              f"(the file: {os.path.getsize(module) / 1024:,.0f} KiB)")
        compare("show a 10,000-button bar",
                ("corvane-cli show --json", [cli, "show", bar, "--json"]),
                ("configparser read", [sys.executable, "-c", CONFIGPARSER_READ, bar]), args.runs)
        compare("save a 10,000-button bar",
                ("corvane-cli edit (a plain re-save)", [cli, "edit", saved]),
                ("configparser read and write", [sys.executable, "-c", CONFIGPARSER_SAVE, saved]),
                args.runs)
    finally:
        if not args.keep:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
