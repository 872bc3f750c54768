#!/usr/bin/python3
"""Writes and reads the xls_bench workload with xlwt/xlrd and with the script module, side by side.

    bench/xls_compare.py [--rows N] [--runs N] [--module-dir build/lua] [--lua lua5.1]

Writing is timed inside the process (the library's work, not the interpreter's start),
and so is the script's write loop alone, with a no-op C function for each cell call;
reading is timed for the whole process, with its peak resident memory as
/usr/bin/time -f %M reports it, and so is the script's read loop alone, loading nothing
and calling a no-op C function for each cell call. Each time is given as elapsed and as processor time.
Both readers read the file the module wrote."""
import argparse
import os
import re
import statistics
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
TIMED = re.compile(r"(\d+\.\d+) s wall, (\d+\.\d+) s cpu")


def run(command, env=None):
    """Runs a bench process under /usr/bin/time: in-process wall and cpu seconds,
    whole-process wall seconds and peak resident kilobytes, and the detail it printed."""
    result = subprocess.run(["/usr/bin/time", "-f", "TIME %e %M %U %S"] + command, env=env,
                            capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit("%s failed:\n%s%s" % (" ".join(command), result.stdout, result.stderr))
    inner = TIMED.search(result.stdout)
    outer = re.search(r"TIME (\S+) (\d+) (\S+) (\S+)", result.stderr)
    return {"wall": float(inner.group(1)), "cpu": float(inner.group(2)),
            "process": float(outer.group(1)), "rss": int(outer.group(2)) / 1024.0,
            "process cpu": float(outer.group(3)) + float(outer.group(4)),
            "detail": result.stdout.strip().split("(", 1)[-1].rstrip(")")}


def summary(samples, key):
    values = [s[key] for s in samples]
    return "%7.3f %7.3f" % (min(values), statistics.median(values))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rows", type=int, default=65000)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--module-dir", default=os.path.join(HERE, "..", "build", "lua"))
    parser.add_argument("--lua", default="lua5.1")
    args = parser.parse_args()

    env = dict(os.environ, KARVO_MODULE_DIR=os.path.abspath(args.module_dir))
    ours, theirs = "/tmp/karvo_compare_lua.xls", "/tmp/karvo_compare_xlwt.xls"
    python = [sys.executable, os.path.join(HERE, "xlwt_xlrd_bench.py")]
    lua = [args.lua, os.path.join(HERE, "xls_bench.lua")]
    jobs = [
        ("xlwt write+save", python + ["write", str(args.rows), theirs], "wall"),
        ("lua write+save", lua + ["write", str(args.rows), ours], "wall"),
        ("lua write loop", lua + ["write-floor", str(args.rows)], "wall"),
        ("xlrd load+read", python + ["read", ours], "process"),
        ("lua load+read", lua + ["read", ours], "process"),
        ("lua read loop", lua + ["read-floor", str(args.rows)], "process"),
    ]
    samples = {name: [] for name, _, _ in jobs}
    for _ in range(args.runs):
        for name, command, _ in jobs:
            samples[name].append(run(command, env))

    print("%d rows x 20 columns, %d runs, %s; seconds and MB as best / median"
          % (args.rows, args.runs, args.lua))
    print("%-16s %-10s %15s %15s %15s" % ("", "timed", "seconds", "cpu seconds", "peak RSS MB"))
    for name, _, key in jobs:
        cpu = "cpu" if key == "wall" else "process cpu"
        print("%-16s %-10s %s %s %s   %s" % (name, "in-process" if key == "wall" else "process",
                                             summary(samples[name], key), summary(samples[name], cpu),
                                             summary(samples[name], "rss"), samples[name][0]["detail"]))
    # Other work on the machine stretches wall time unevenly; processor time is
    # printed beside it, and ratios of the two are taken within each run.
    for ours_name, their_name, key in (("lua write+save", "xlwt write+save", "wall"),
                                       ("lua load+read", "xlrd load+read", "process")):
        pairs = list(zip(samples[ours_name], samples[their_name]))
        for measure in (key, "cpu" if key == "wall" else "process cpu"):
            ratios = [t[measure] / max(o[measure], 1e-6) for o, t in pairs]
            print("%s is %.1fx faster than %s by %s time (median of per-run ratios; best %.1fx)"
                  % (ours_name, statistics.median(ratios), their_name.split()[0],
                     "elapsed" if measure == key else "processor", max(ratios)))


main()
