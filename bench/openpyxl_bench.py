#!/usr/bin/python3
"""One step of the Open XML benchmark with openpyxl, for comparison with xlsx_bench.

    openpyxl_bench.py write normal|write_only W1|W2 out.xlsx
    openpyxl_bench.py read normal|read_only W1|W2 in.xlsx

The workloads and the printed line are those of xlsx_bench.cpp: the same generator,
the seconds of the step inside the process (elapsed and processor), and for reads the cell count, the sum of
the numbers and the count of text characters.
"""
import sys
import time

import openpyxl

WORKLOADS = {"W1": (100000, 5, 5), "W2": (1000000, 4, 0)}


def number_at(row, col):
    return float(row * 10 + col) if col % 2 == 0 else row * 0.37 + col / 7.0


def text_at(row, col):
    if (row + col) % 2 == 0:
        return "repeated %d" % ((row * 7 + col) % 1000)
    return "unique %d" % (row * 10 + col)


def write(mode, workload, path):
    rows, numbers, texts = WORKLOADS[workload]
    start, cpu = time.perf_counter(), time.process_time()
    book = openpyxl.Workbook(write_only=(mode == "write_only"))
    sheet = book.create_sheet("Data") if mode == "write_only" else book.active
    if mode != "write_only":
        sheet.title = "Data"
    for r in range(rows):
        row = [number_at(r, c) for c in range(numbers)]
        row.extend(text_at(r, c) for c in range(numbers, numbers + texts))
        sheet.append(row)
    book.save(path)
    print("time %.3f s cpu %.3f s" % (time.perf_counter() - start, time.process_time() - cpu))


def read(mode, path):
    start, cpu = time.perf_counter(), time.process_time()
    book = openpyxl.load_workbook(path, read_only=(mode == "read_only"))
    sheet = book.worksheets[0]
    cells, total, characters = 0, 0.0, 0
    for row in sheet.iter_rows(values_only=True):
        for value in row:
            if isinstance(value, str):
                characters += len(value)
                cells += 1
            elif isinstance(value, (int, float)) and not isinstance(value, bool):
                total += value
                cells += 1
    seconds, cpu = time.perf_counter() - start, time.process_time() - cpu
    book.close()
    print("time %.3f s cpu %.3f s cells %d sum %.6f chars %d" % (seconds, cpu, cells, total, characters))


def main():
    if len(sys.argv) != 5 or sys.argv[3] not in WORKLOADS:
        sys.exit(__doc__)
    step, mode, workload, path = sys.argv[1:]
    if step == "write" and mode in ("normal", "write_only"):
        write(mode, workload, path)
    elif step == "read" and mode in ("normal", "read_only"):
        read(mode, path)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
