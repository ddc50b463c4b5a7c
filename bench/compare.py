#!/usr/bin/env python3
"""Whole-process figures of corvane-cli against reference programs, side by side.

usage: compare.py BUILD_DIR [--runs N] [--keep DIR] [--checks-only]

Writes the benchmark files (make_bench_files) into a temporary folder, then times each
pair of commands alternately, N runs each after a warm-up, and prints the medians of
their wall and CPU times and the ratios (on a busy machine the CPU times are the steadier
figure):
  - listing the icons of a 13.7 MB module with 1,840 icons: `corvane-cli icons --json`
    against `wrestool -l` (icoutils; skipped when it is not installed);
  - showing a 10,000-button bar (`corvane-cli show --json`) against reading it with
    Python's configparser, and saving it again (`corvane-cli edit BAR`) against reading
    and writing it with configparser;
and the peak resident memory of `icons` on the module (by /usr/bin/time); and, in a
Wine-like prefix (system32 of about 3,000 files, Total Commander in C:\\totalcmd),
`corvane-cli check` of an 88-button bar of programs and icon files of which many are not
found, side by side with an 88-button bar of internal commands only. Reading with
configparser means parsing the file into its sections; nothing is looked up afterwards.
Output goes to /dev/null.
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
"""

CONFIGPARSER_SAVE = """
import configparser, sys
bar = configparser.ConfigParser(interpolation=None, strict=False)
bar.optionxform = str
with open(sys.argv[1], encoding="latin-1") as f:
    bar.read_file(f)
with open(sys.argv[1], "w", encoding="latin-1") as f:
    bar.write(f, space_around_delimiters=False)
"""


# Exit statuses of a run that did its work: `check` exits 1 when it finds problems.
CHECK_STATUSES = (0, 1)


def run_once(argv, env=None, statuses=(0,)):
    """Wall time and CPU time (user + system) in ms of one run; stdout and stderr go to
    /dev/null. The program is started with posix_spawn, so that little of the time
    measured is Python's."""
    with open(os.devnull, "wb") as null:
        actions = [(os.POSIX_SPAWN_DUP2, null.fileno(), 1), (os.POSIX_SPAWN_DUP2, null.fileno(), 2)]
        start = time.perf_counter()
        pid = os.posix_spawn(argv[0], argv, env or os.environ, file_actions=actions)
        _, status, usage = os.wait4(pid, 0)
        elapsed = (time.perf_counter() - start) * 1000
    code = os.waitstatus_to_exitcode(status)
    if code not in statuses:
        sys.exit(f"{' '.join(argv)} failed ({code})")
    return elapsed, (usage.ru_utime + usage.ru_stime) * 1000


def peak_memory(argv):
    """Peak resident memory in KiB of one run, by GNU time: the rusage of a child that
    Python starts counts the memory of Python itself, which the child shared until it
    started the program. None without /usr/bin/time."""
    if not os.access("/usr/bin/time", os.X_OK):
        return None
    with open(os.devnull, "wb") as null:
        done = subprocess.run(["/usr/bin/time", "-f", "%M", *argv], stdout=null,
                              stderr=subprocess.PIPE, check=True)
    return int(done.stderr.decode().split()[-1])


def compare(title, ours, theirs, runs, env=None, statuses=(0,)):
    """Times both commands (label, argv) alternately, after a warm-up; prints the medians
    of wall and CPU time and their ratios."""
    (our_label, ours), (their_label, theirs) = ours, theirs
    for _ in range(3):
        run_once(ours, env, statuses)
        run_once(theirs, env, statuses)
    times = {"ours": [], "theirs": []}
    for _ in range(runs):
        times["ours"].append(run_once(ours, env, statuses))
        times["theirs"].append(run_once(theirs, env, statuses))

    def medians(key):
        return [statistics.median(t[i] for t in times[key]) for i in (0, 1)]

    (wall, cpu), (their_wall, their_cpu) = medians("ours"), medians("theirs")
    print(title)
    print(f"  {our_label}: median {wall:.2f} ms wall, {cpu:.2f} ms CPU")
    print(f"  {their_label}: median {their_wall:.2f} ms wall, {their_cpu:.2f} ms CPU")
    print(f"  ratio: {their_wall / wall:.2f}x wall, {their_cpu / cpu:.2f}x CPU")


def age_folders(root, seconds=86400):
    """Dates every folder under root back by a day, as the folders of a prefix made long
    before are, so that the figures are those of a prefix in use and not those of one
    changed a moment ago (whose folders are listed afresh until their time is a clock
    tick old)."""
    past = time.time() - seconds
    for folder, _, _ in os.walk(root):
        os.utime(folder, (past, past))


def compare_checks(cli, folder, runs):
    """`check` of the two 88-button bars in the Wine-like prefix."""
    prefix = os.path.join(folder, "prefix")
    age_folders(prefix)
    env = dict(os.environ, WINEPREFIX=prefix, COMMANDER_PATH="C:\\totalcmd")
    env.pop("COMMANDER_INI", None)
    bars = os.path.join(prefix, "drive_c", "bars")
    compare("check an 88-button bar in a Wine-like prefix (system32: 3,000 files)",
            ("programs and icon files, many not found",
             [cli, "check", os.path.join(bars, "programs.bar")]),
            ("internal commands only", [cli, "check", os.path.join(bars, "internal.bar")]),
            runs, env, CHECK_STATUSES)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", help="the build folder (holds bin/corvane-cli and bench/)")
    parser.add_argument("--runs", type=int, default=30)
    parser.add_argument("--keep", help="write the files here and keep them")
    parser.add_argument("--checks-only", action="store_true",
                        help="time only `check` of the two bars in the Wine-like prefix")
    args = parser.parse_args()
    cli = os.path.join(args.build, "bin", "corvane-cli")
    maker = os.path.join(args.build, "bench", "make_bench_files")
    folder = args.keep or tempfile.mkdtemp(prefix="corvane-compare-")
    try:
        subprocess.run([maker, folder], check=True)
        if args.checks_only:
            compare_checks(cli, folder, args.runs)
            return
        module = os.path.join(folder, "system.dll")
        bar = os.path.join(folder, "bar10000.bar")
        # Each saver re-saves a copy of its own, so that neither reads what the other wrote.
        saved, their_saved = (os.path.join(folder, name) for name in ("ours.bar", "theirs.bar"))
        shutil.copyfile(bar, saved)
        shutil.copyfile(bar, their_saved)
        print(f"files in {folder}: system.dll {os.path.getsize(module):,} bytes, "
              f"bar10000.bar {os.path.getsize(bar):,} bytes; {args.runs} runs each")
        wrestool = shutil.which("wrestool")
        if wrestool:
            compare("list the icons of system.dll (184 groups, 1,840 icons)",
                    ("corvane-cli icons --json", [cli, "icons", module, "--json"]),
                    ("wrestool -l", [wrestool, "-l", module]), args.runs)
        else:
            print("wrestool (icoutils) is not installed: the icon listing is not compared")
        peaks = [peak_memory([cli, "icons", module, "--json"]) for _ in range(5)]
        if None in peaks:
            print("/usr/bin/time is not installed: the peak memory is not measured")
        else:
            print(f"peak resident memory of icons --json: median {statistics.median(peaks):,.0f} "
                  f"KiB (the file: {os.path.getsize(module) / 1024:,.0f} KiB)")
        compare("show a 10,000-button bar",
                ("corvane-cli show --json", [cli, "show", bar, "--json"]),
                ("configparser read", [sys.executable, "-c", CONFIGPARSER_READ, bar]), args.runs)
        compare("save a 10,000-button bar",
                ("corvane-cli edit (a plain re-save)", [cli, "edit", saved]),
                ("configparser read and write", [sys.executable, "-c", CONFIGPARSER_SAVE, their_saved]),
                args.runs)
        compare_checks(cli, folder, args.runs)
    finally:
        if not args.keep:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
