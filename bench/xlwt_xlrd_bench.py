#!/usr/bin/python3
"""The xls_bench workload with xlwt and xlrd, for comparison.

    bench/xlwt_xlrd_bench.py write [rows] [path]
    bench/xlwt_xlrd_bench.py read [path]

Each mode prints its wall and processor seconds, measured inside the process."""
import sys
import time

DEFAULT_PATH = "/tmp/karvo_bench_xlwt.xls"


def write(rows, path):
    import xlwt
    book = xlwt.Workbook()
    sheet = book.add_sheet("Data")
    for r in range(rows):
        row = sheet.row(r)
        for c in range(10):
            row.write(c, float(r * 10 + c) if c % 2 == 0 else r * 0.37 + c / 7.0)
        for c in range(10, 20):
            row.write(c, "repeated %d" % ((r * 7 + c) % 1000) if c < 15 else "unique %d" % (r * 20 + c))
    book.save(path)
    return "%d rows" % rows


def read(path):
    import xlrd
    data = xlrd.open_workbook(path).sheet_by_index(0)
    total, characters = 0.0, 0
    for r in range(data.nrows):
        for value in data.row_values(r):
            if isinstance(value, float):
                total += value
            else:
                characters += len(value)
    return "checksum %.1f, %d characters" % (total, characters)


def main():
    mode = sys.argv[1] if len(sys.argv) > 1 else ""
    wall, cpu = time.perf_counter(), time.process_time()
    if mode == "write":
        detail = write(int(sys.argv[2]) if len(sys.argv) > 2 else 65000,
                       sys.argv[3] if len(sys.argv) > 3 else DEFAULT_PATH)
    elif mode == "read":
        detail = read(sys.argv[2] if len(sys.argv) > 2 else DEFAULT_PATH)
    else:
        sys.exit(__doc__)
    print("%s: %.3f s wall, %.3f s cpu (%s)"
          % (mode, time.perf_counter() - wall, time.process_time() - cpu, detail))


main()
