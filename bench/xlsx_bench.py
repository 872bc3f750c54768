#!/usr/bin/python3
"""Open XML write and read speed and memory: karvo against openpyxl and libxlsxwriter.

    bench/xlsx_bench.py [--build build] [--dir /tmp/karvo_xlsx_bench] [--repeat 3]
                        [--workloads W1,W2] [--no-openpyxl-normal] [--no-openpyxl]

Every step runs in its own process under `/usr/bin/time -f %M`, so the peak resident
memory is that of the step alone. Seconds are those the step measures inside its
process (program start and imports are left out). The fast steps run --repeat times,
in rounds of one run each, and report their median; openpyxl runs once. Every reader
reads the file karvo wrote, and the cell count, sum and character count of each
reader are compared. The workloads are described in bench/xlsx_bench.cpp. Tools
that are not installed are skipped with a message.

The machine's other load moves the short memory-bound floor more than the other
steps: compare ratios from a quiet machine (see `uptime`).
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TIME_RE = re.compile(r"time ([0-9.]+) s")
CPU_RE = re.compile(r"cpu ([0-9.]+) s|user ([0-9.]+) sys ([0-9.]+)")
CHECK_RE = re.compile(r"cells (\d+) sum (\S+) chars (\d+)")

# The goals the results are held against.
FLOOR_FACTOR = 4.0          # load-and-read at most this many times the floor
OPENPYXL_FACTOR = 30.0      # and at least this many times faster than openpyxl (read_only)
READ_PEAK_MIB = {"W1": 150.0, "W2": 400.0}
XLSXWRITER_FRACTION = 0.5   # write-and-save in at most this part of libxlsxwriter's time


class Result:
    def __init__(self, seconds, cpu, mib, line):
        self.seconds, self.cpu, self.mib, self.line = seconds, cpu, mib, line
        match = CHECK_RE.search(line)
        self.check = match.groups() if match else None


def cpu_of(line):
    match = CPU_RE.search(line)
    if not match:
        return None
    if match.group(1):
        return float(match.group(1))
    return float(match.group(2)) + float(match.group(3))


def run_once(command):
    """Runs one step under /usr/bin/time; its seconds, peak MiB and output line."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as peak:
        done = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", peak.name] + command,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        kib = peak.read().strip().splitlines()
    if done.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (" ".join(command), done.returncode, done.stderr.strip()))
    match = TIME_RE.search(done.stdout)
    if not match:
        raise RuntimeError("%s printed no time: %r" % (" ".join(command), done.stdout))
    line = done.stdout.strip()
    return Result(float(match.group(1)), cpu_of(line), int(kib[-1]) / 1024.0, line)


class Step:
    """One line of the table: a command run `repeat` times; its median seconds and
    the largest peak memory of its runs."""

    def __init__(self, label, command, repeat, note=""):
        self.label, self.command, self.repeat, self.note = label, command, repeat, note
        self.runs, self.failure = [], None

    def run(self, workload):
        if self.failure:
            return
        print("%s: %s" % (workload, " ".join(self.command)), file=sys.stderr, flush=True)
        try:
            self.runs.append(run_once(self.command))
        except RuntimeError as error:
            self.failure = str(error)
            print("%s %s: %s" % (workload, self.label, error))

    def result(self):
        if self.failure or not self.runs:
            return None
        by_time = sorted(self.runs, key=lambda r: r.seconds)
        middle = by_time[len(by_time) // 2]
        cpus = [r.cpu for r in self.runs if r.cpu is not None]
        return Result(statistics.median(r.seconds for r in self.runs), statistics.median(cpus) if cpus else None,
                      max(r.mib for r in self.runs), middle.line)


def run_rounds(workload, steps):
    """Runs the steps in rounds, each step once a round, so that a stretch of load from
    other processes on the machine falls on all of them rather than on one."""
    for round in range(max(step.repeat for step in steps)):
        for step in steps:
            if round < step.repeat:
                step.run(workload)


def have_openpyxl():
    return subprocess.run(["/usr/bin/python3", "-c", "import openpyxl"], stderr=subprocess.DEVNULL).returncode == 0


def build_xlsxwriter(directory):
    """Compiles bench/xlsxwriter_bench.c; None (after a message) when that cannot be done."""
    if not os.path.exists("/usr/include/xlsxwriter.h"):
        print("skipped libxlsxwriter: libxlsxwriter-dev is not installed")
        return None
    compiler = shutil.which("cc")
    if not compiler:
        print("skipped libxlsxwriter: no C compiler")
        return None
    program = os.path.join(directory, "xlsxwriter_bench")
    done = subprocess.run([compiler, "-O2", "-Wall", "-Wextra", "-Werror", "-o", program,
                           os.path.join(HERE, "xlsxwriter_bench.c"), "-lxlsxwriter"],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if done.returncode != 0:
        print("skipped libxlsxwriter: compile failed:\n" + done.stdout)
        return None
    return program


def unzip_floor(path):
    """The floor with unzip: inflate the worksheet part and count its '<' in a pipe."""
    if not shutil.which("unzip"):
        print("skipped the unzip floor: unzip is not installed")
        return None
    script = ('TIMEFORMAT="time %3R s user %3U sys %3S"; '
              '{ time unzip -p "$1" xl/worksheets/sheet1.xml | tr -cd "<" | wc -c >/dev/null; } 2>&1')
    return ["bash", "-c", script, "floor", path]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(os.path.dirname(HERE), "build"))
    parser.add_argument("--dir", default=os.path.join(tempfile.gettempdir(), "karvo_xlsx_bench"))
    parser.add_argument("--repeat", type=int, default=3, help="runs of each fast step (openpyxl runs once)")
    parser.add_argument("--workloads", default="W1,W2")
    parser.add_argument("--no-openpyxl-normal", action="store_true",
                        help="skip openpyxl's slow normal modes")
    parser.add_argument("--no-openpyxl", action="store_true", help="skip openpyxl")
    args = parser.parse_args()

    ours = os.path.join(args.build, "bench", "xlsx_bench")
    if not os.access(ours, os.X_OK):
        sys.exit("%s is missing: cmake --build %s -j1 --target xlsx_bench" % (ours, args.build))
    os.makedirs(args.dir, exist_ok=True)
    openpyxl = not args.no_openpyxl and have_openpyxl()
    if not openpyxl and not args.no_openpyxl:
        print("skipped openpyxl: /usr/bin/python3 cannot import it")
    xlsxwriter = build_xlsxwriter(args.dir)
    py = ["/usr/bin/python3", os.path.join(HERE, "openpyxl_bench.py")]

    tables = []
    for workload in args.workloads.split(","):
        file_of = lambda tool: os.path.join(args.dir, "%s_%s.xlsx" % (tool, workload))
        ours_file = file_of("karvo")
        steps = {}

        def step(key, label, command, repeat=args.repeat, note=""):
            steps[key] = Step(label, command, repeat, note)

        step("write", "karvo write+save", [ours, "write", workload, ours_file])
        step("read", "karvo load+read", [ours, "read", workload, ours_file])
        step("floor", "floor: inflate sheet1.xml, count '<'", [ours, "floor", workload, ours_file])
        step("floor-all", "floor: inflate every part", [ours, "floor-all", workload, ours_file])
        command = unzip_floor(ours_file)
        if command:
            step("unzip", "floor: unzip -p | tr | wc", command)
        if xlsxwriter:
            step("cm", "libxlsxwriter write (constant_memory)", [xlsxwriter, workload, file_of("xlsxwriter")],
                 note="inline strings")
            step("read-cm", "karvo load+read of libxlsxwriter's file", [ours, "read", workload, file_of("xlsxwriter")])
        if openpyxl:
            step("op-wo", "openpyxl write (write_only)",
                 py + ["write", "write_only", workload, file_of("openpyxl_wo")], 1)
            if not args.no_openpyxl_normal:
                step("op-w", "openpyxl write (normal)", py + ["write", "normal", workload, file_of("openpyxl")], 1)
            step("ro", "openpyxl read (read_only)", py + ["read", "read_only", workload, ours_file], 1)
            if not args.no_openpyxl_normal:
                step("op-r", "openpyxl read (normal)", py + ["read", "normal", workload, ours_file], 1)
            step("read-op", "karvo load+read of openpyxl's file", [ours, "read", workload, file_of("openpyxl_wo")])
        run_rounds(workload, list(steps.values()))
        rows = [(s.label, s.result(), s.note) for s in steps.values()]
        got = lambda key: steps[key].result() if key in steps else None
        tables.append((workload, rows, got("write"), got("read"), got("floor"), got("cm"), got("ro")))

    for workload, rows, write, read, floor, cm, ro in tables:
        print("\n%s (median of %d rounds for the fast steps; openpyxl once)" % (workload, args.repeat))
        print("| %-45s | %9s | %9s | %9s | %s" % ("step", "seconds", "cpu s", "peak MiB", "check (cells, sum, chars)"))
        print("|%s|%s|%s|%s|%s" % ("-" * 47, "-" * 11, "-" * 11, "-" * 11, "-" * 30))
        for label, result, note in rows:
            if result is None:
                print("| %-45s | %9s | %9s | %9s | failed" % (label, "-", "-", "-"))
                continue
            check = " ".join(result.check) if result.check else ""
            remarks = " ".join(filter(None, [check, note]))
            cpu = "%9.3f" % result.cpu if result.cpu is not None else "%9s" % "-"
            print("| %-45s | %9.3f | %s | %9.1f | %s" % (label, result.seconds, cpu, result.mib, remarks))
        checks = {r.check for label, r, _ in rows if r and r.check and " of " not in label}
        if len(checks) > 1:
            print("MISMATCH: the readers of karvo's file disagree: %s" % sorted(checks))
        print("\n%s goals (elapsed seconds; processor seconds after the slash)" % workload)
        print_goals(workload, write, read, floor, cm, ro)


def print_goals(workload, write, read, floor, cm, ro):
    def goal(name, values, target, fits, gap_of):
        """`values` are (elapsed, processor) of one measure; processor may be missing."""
        shown = [v for v in values if v is not None]
        verdicts = ["met" if fits(v) else "MISSED" for v in shown]
        measured = " / ".join("%.2f" % v for v in shown)
        gaps = " / ".join("%.2fx" % gap_of(v) for v in shown)
        print("  %-40s %-14s target %-9s %-12s %s of the target" % (name, measured, target, " / ".join(verdicts), gaps))

    def ratio(a, b):
        return (a.seconds / b.seconds, a.cpu / b.cpu if a.cpu and b.cpu else None)

    if read and floor:
        goal("load+read, times the floor", ratio(read, floor), "<= %.0f" % FLOOR_FACTOR,
             lambda v: v <= FLOOR_FACTOR, lambda v: v / FLOOR_FACTOR)
    if read and ro:
        goal("openpyxl read_only, times ours", ratio(ro, read), ">= %.0f" % OPENPYXL_FACTOR,
             lambda v: v >= OPENPYXL_FACTOR, lambda v: v / OPENPYXL_FACTOR)
    if read:
        limit = READ_PEAK_MIB[workload]
        goal("load+read peak MiB", (read.mib, None), "<= %.0f" % limit, lambda v: v <= limit, lambda v: v / limit)
    if write and cm:
        goal("write+save, times libxlsxwriter's", ratio(write, cm), "<= %.2f" % XLSXWRITER_FRACTION,
             lambda v: v <= XLSXWRITER_FRACTION, lambda v: v / XLSXWRITER_FRACTION)


if __name__ == "__main__":
    main()
