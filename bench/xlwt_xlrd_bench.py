#!/usr/bin/python3
"""The same work as xls_bench with xlwt and xlrd, for comparison: bench/xlwt_xlrd_bench.py [rows]."""
import resource
import sys
import time

import xlrd
import xlwt

rows = int(sys.argv[1]) if len(sys.argv) > 1 else 65000
path = "/tmp/karvo_bench_xlwt.xls"

start = time.perf_counter()
book = xlwt.Workbook()
sheet = book.add_sheet("Data")
for r in range(rows):
    row = sheet.row(r)
    for c in range(10):
        row.write(c, float(r * 10 + c) if c % 2 == 0 else r * 0.37 + c / 7.0)
    for c in range(10, 20):
        row.write(c, "repeated %d" % ((r * 7 + c) % 1000) if c < 15 else "unique %d" % (r * 20 + c))
book.save(path)
write_seconds = time.perf_counter() - start

start = time.perf_counter()
loaded = xlrd.open_workbook(path)
data = loaded.sheet_by_index(0)
total, characters = 0.0, 0
for r in range(data.nrows):
    for value in data.row_values(r):
        if isinstance(value, float):
            total += value
        else:
            characters += len(value)
read_seconds = time.perf_counter() - start
peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0
print("rows %d x 20 columns" % rows)
print("xlwt write+save: %.3f s" % write_seconds)
print("xlrd load+read:  %.3f s (peak %.1f MB for the whole run, checksum %.1f / %d chars)"
      % (read_seconds, peak, total, characters))
